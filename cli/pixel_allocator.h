// SPDX-License-Identifier: LicenseRef-Quillmark
// Memory for a picture's samples: large pictures take it straight from the system's pages,
// already cleared, and give it back whole; small ones come from the heap, cleared here.
// Since every block comes cleared, a new sample is not written again when the vector makes
// it: a picture's memory is touched once, by whoever fills it. (A vector that shrinks and
// grows again within its capacity keeps the old samples there.)
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace qm::cli {

// Makes an element without a value, leaving its bytes as they are: for memory that comes
// cleared already, or that its owner writes whole before reading.
struct ConstructsWithoutValue {
  template <class U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
  template <class U, class... Args>
  void construct(U* at, Args&&... args) {
    ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
  }
};

template <class T>
struct PixelAllocator : ConstructsWithoutValue {
  using value_type = T;
  static constexpr std::size_t kPagedBytes = std::size_t(8) << 20;

  PixelAllocator() = default;
  template <class U>
  explicit PixelAllocator(const PixelAllocator<U>&) {}

  T* allocate(std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kPagedBytes) return static_cast<T*>(std::memset(::operator new(bytes), 0, bytes));
    void* data = platform::allocatePixelMemory(bytes, bytes);  // a picture is filled whole
    if (!data) throw std::bad_alloc();
    return static_cast<T*>(data);
  }
  void deallocate(T* data, std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kPagedBytes)
      ::operator delete(data);
    else
      platform::freePixelMemory(data, bytes);
  }
  template <class U>
  bool operator==(const PixelAllocator<U>&) const {
    return true;
  }
};

using PixelBytes = std::vector<std::uint8_t, PixelAllocator<std::uint8_t>>;

// Samples compare by value, wherever their memory came from.
inline bool operator==(const PixelBytes& a, const std::vector<std::uint8_t>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace qm::cli
