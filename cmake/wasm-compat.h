// Included first in every file of the WebAssembly build: the C++ library of
// Debian's emscripten lacks std::bit_cast, which its compiler can do.
#pragma once

#include <version>

#if !defined(__cpp_lib_bit_cast)
#include <bit>
#include <type_traits>

namespace std {
template <class To, class From>
  requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
           is_trivially_copyable_v<From>)
constexpr To bit_cast(const From& from) noexcept {
  return __builtin_bit_cast(To, from);
}
}  // namespace std
#endif
