#include "results/float_block.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace orv {

namespace {

// Blocks from this size on are mapped afresh by calloc, zero without being
// written; smaller ones come from the heap and are zeroed as they grow.
constexpr std::size_t kMappedBytes = std::size_t{1} << 20;

}  // namespace

void FloatBlock::Free::operator()(float *p) const { std::free(p); }

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
  const bool mapped = capacity * sizeof(float) >= kMappedBytes;
  void *fresh = mapped ? std::calloc(capacity, sizeof(float)) : std::malloc(capacity * sizeof(float));
  if (!fresh) throw std::bad_alloc();
  zero_beyond_size_ = mapped;
  if (size_) std::memcpy(fresh, data_.get(), size_ * sizeof(float));
  data_.reset(static_cast<float *>(fresh));
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
