// A growable array of floats that reads as zero until written, for the
// results store. Unlike a vector, growing a large block never writes zeros
// itself: large blocks come from calloc, which maps fresh pages the system
// zeroes on first touch, so each page of results is written once, by the
// simulation.
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
    void operator()(float *p) const;
  };
  std::unique_ptr<float[], Free> data_;
  std::size_t size_ = 0, capacity_ = 0;
  bool zero_beyond_size_ = false;  // the storage past size_ reads as zero
};

}  // namespace orv
