// Scoped ownership of working buffers that hold plaintext: wiped (and freed) on every way out of a scope.
#pragma once

#include <cstddef>
#include <cstdlib>

#include "cipher/SecureWipe.h"

namespace qx::envelope {

// Wipes the first `size` bytes of a buffer the scope does not own (a stack scratch area) when it ends.
class WipeOnExit {
 public:
  WipeOnExit(void* data, std::size_t size) noexcept : data_(data), size_(size) {}
  ~WipeOnExit() { qx::secure_wipe(data_, size_); }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  void* data_;
  std::size_t size_;
};

// A malloc'd buffer of `size` bytes, wiped and freed when the scope ends unless release() hands it on.
class WipedBuffer {
 public:
  WipedBuffer() noexcept = default;
  // Takes ownership of `data` (may be null), which holds `size` bytes.
  WipedBuffer(unsigned char* data, std::size_t size) noexcept : data_(data), size_(size) {}
  ~WipedBuffer() { reset(); }
  WipedBuffer(const WipedBuffer&) = delete;
  WipedBuffer& operator=(const WipedBuffer&) = delete;

  // Allocates at least one byte, so that an empty buffer is still a non-null result.
  [[nodiscard]] static WipedBuffer allocate(std::size_t size) noexcept {
    return WipedBuffer(static_cast<unsigned char*>(std::malloc(size == 0 ? 1 : size)), size);
  }
  WipedBuffer(WipedBuffer&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
  }
  WipedBuffer& operator=(WipedBuffer&& other) noexcept {
    if (this != &other) {
      reset();
      size_ = other.size_;
      data_ = other.release();
    }
    return *this;
  }

  [[nodiscard]] unsigned char* get() const noexcept { return data_; }
  [[nodiscard]] explicit operator bool() const noexcept { return data_ != nullptr; }
  [[nodiscard]] unsigned char* release() noexcept {
    unsigned char* data = data_;
    data_ = nullptr;
    size_ = 0;
    return data;
  }
  void reset() noexcept {
    if (data_ != nullptr) {
      qx::secure_wipe(data_, size_);
      std::free(data_);
    }
    data_ = nullptr;
    size_ = 0;
  }

 private:
  unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace qx::envelope
