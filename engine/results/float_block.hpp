// A growable array of floats that reads as zero until written, for the
// results store. Unlike a vector, growing a large block never writes zeros
// itself: large blocks are mapped from the system, which zeroes each page on
// first touch, so each page of results is written once, by the simulation.
// They are mapped directly rather than through calloc, whose large blocks
// come from the heap (zeroed by hand) once the allocator has raised its
// threshold for mapping after blocks of that size were freed.
#pragma once

#include <cstddef>
#include <memory>
#include <span>

namespace orv {

class FloatBlock {
 public:
  FloatBlock() = default;
  FloatBlock(const FloatBlock &other);
  FloatBlock &operator=(const FloatBlock &other);
  FloatBlock(FloatBlock &&other) noexcept;
  FloatBlock &operator=(FloatBlock &&other) noexcept;
  ~FloatBlock() = default;

  std::size_t size() const { return size_; }
  float *data() { return data_.get(); }
  const float *data() const { return data_.get(); }
  float &operator[](std::size_t i) { return data_[i]; }
  float operator[](std::size_t i) const { return data_[i]; }
  operator std::span<const float>() const { return {data_.get(), size_}; }

  void reserve(std::size_t capacity);
  // New elements read as zero.
  void resize(std::size_t size);
  // Size 0, keeping the storage (already mapped) for what is written next.
  void empty_keeping_storage();

 private:
  struct Free {
    std::size_t mapped_bytes;  // 0 (as value-initialised): from the heap
    void operator()(float *p) const;
  };
  std::unique_ptr<float[], Free> data_;
  std::size_t size_ = 0, capacity_ = 0;
  bool zero_beyond_size_ = false;  // the storage past size_ reads as zero
};

}  // namespace orv
