#include "results/float_block.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#define ORV_MAPS_PAGES 1
#endif

namespace orv {

namespace {

// Blocks from this size on are mapped from the system, zero without being
// written; smaller ones come from the heap and are zeroed as they grow.
constexpr std::size_t kMappedBytes = std::size_t{1} << 20;

// Fresh zero pages of at least `bytes`, or null.
float *map_zero_pages(std::size_t bytes) {
#ifdef ORV_MAPS_PAGES
  void *p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : static_cast<float *>(p);
#else
  return static_cast<float *>(std::calloc(bytes, 1));
#endif
}

}  // namespace

void FloatBlock::Free::operator()(float *p) const {
#ifdef ORV_MAPS_PAGES
  if (mapped_bytes) {
    munmap(p, mapped_bytes);
    return;
  }
#endif
  std::free(p);
}

FloatBlock::FloatBlock(const FloatBlock &other) { *this = other; }

FloatBlock &FloatBlock::operator=(const FloatBlock &other) {
  if (this == &other) return *this;
  data_.reset();
  size_ = capacity_ = 0;
  resize(other.size_);
  if (size_) std::memcpy(data_.get(), other.data_.get(), size_ * sizeof(float));
  return *this;
}

FloatBlock::FloatBlock(FloatBlock &&other) noexcept
    : data_(std::move(other.data_)), size_(other.size_), capacity_(other.capacity_),
      zero_beyond_size_(other.zero_beyond_size_) {
  other.size_ = other.capacity_ = 0;
}

FloatBlock &FloatBlock::operator=(FloatBlock &&other) noexcept {
  data_ = std::move(other.data_);
  size_ = std::exchange(other.size_, 0);
  capacity_ = std::exchange(other.capacity_, 0);
  zero_beyond_size_ = other.zero_beyond_size_;
  return *this;
}

void FloatBlock::reserve(std::size_t capacity) {
  if (capacity <= capacity_) return;
  const std::size_t bytes = capacity * sizeof(float);
  const bool mapped = bytes >= kMappedBytes;
  float *fresh = mapped ? map_zero_pages(bytes) : static_cast<float *>(std::malloc(bytes));
  if (!fresh) throw std::bad_alloc();
  zero_beyond_size_ = mapped;
  if (size_) std::memcpy(fresh, data_.get(), size_ * sizeof(float));
  data_ = {fresh, Free{mapped ? bytes : 0}};
  capacity_ = capacity;
}

void FloatBlock::resize(std::size_t size) {
  if (size > capacity_) reserve(std::max(size, 2 * capacity_));
  if (size > size_ && !zero_beyond_size_) std::fill(data_.get() + size_, data_.get() + size, 0.0f);
  // What is cut off is zeroed, so that what grows back reads as zero.
  if (size < size_) std::fill(data_.get() + size, data_.get() + size_, 0.0f);
  size_ = size;
}

void FloatBlock::empty_keeping_storage() {
  size_ = 0;
  zero_beyond_size_ = false;  // what the last user wrote is still there
}

}  // namespace orv
