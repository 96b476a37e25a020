#pragma once

// Scanning of boxscore bytes sixteen or 64 at a time. A season is tens of megabytes of text that is
// read and written once; searching it byte by byte, or calling memchr once a line, would cost more
// than the reading and writing themselves. The compiler's generic vectors keep this portable:
// they become SIMD instructions where the machine has them.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gamefold::scan {

/// Sixteen bytes; comparing two gives -1 in each byte that matches and 0 elsewhere.
typedef signed char Bytes16 __attribute__((vector_size(16)));

inline constexpr size_t kWidth = sizeof(Bytes16);

/// Sixteen copies of c.
inline Bytes16 Splat(char c) { return Bytes16{} + static_cast<signed char>(c); }

/// Bit k set when byte k of a comparison result is set.
inline unsigned Mask(Bytes16 matches) {
#if defined(__SSE2__)
  __m128i bytes;
  std::memcpy(&bytes, &matches, sizeof bytes);
  return static_cast<unsigned>(_mm_movemask_epi8(bytes));
#else
  std::uint64_t half[2];
  std::memcpy(half, &matches, sizeof half);
  unsigned mask = 0;
  for (int i = 0; i < 2; ++i) {
    std::uint64_t bytes = half[i];
    if constexpr (std::endian::native == std::endian::big) bytes = __builtin_bswap64(bytes);
    // One distinct bit of each byte, then all eight summed into the top byte.
    bytes = ((bytes & 0x8040201008040201ULL) * 0x0101010101010101ULL) >> 56;
    mask |= static_cast<unsigned>(bytes) << (8 * i);
  }
  return mask;
#endif
}

/// The sixteen bytes from p.
inline Bytes16 Load(const char* p) {
  Bytes16 bytes;
  std::memcpy(&bytes, p, sizeof bytes);
  return bytes;
}

/// 64 bytes of text, read at once; past the text's end they are zero.
class Chunk {
 public:
  static constexpr size_t kSize = 4 * kWidth;

  Chunk(const char* p, const char* end) {
    size_t available = static_cast<size_t>(end - p);
    if (available >= kSize) {
      std::memcpy(parts_, p, kSize);
    } else {
      std::memset(parts_, 0, kSize);
      std::memcpy(parts_, p, available);
    }
  }

  /// Bit k set when byte k passes test, a comparison of sixteen bytes at a time.
  template <typename Test>
  std::uint64_t Where(Test test) const {
    // Written out: a loop here is left rolled, with a variable shift, at -O2.
    return std::uint64_t{Mask(test(parts_[0]))} | std::uint64_t{Mask(test(parts_[1]))} << 16 |
           std::uint64_t{Mask(test(parts_[2]))} << 32 | std::uint64_t{Mask(test(parts_[3]))} << 48;
  }

  /// Bit k set when byte k equals c.
  std::uint64_t Where(char c) const {
    Bytes16 wanted = Splat(c);
    return Where([wanted](Bytes16 bytes) { return bytes == wanted; });
  }

 private:
  Bytes16 parts_[4];
};

/// Where needle first occurs in haystack at or after from; npos when it does not. Compares two
/// of the needle's bytes at sixteen places at once and checks the whole needle only where both
/// match. Blanks are the commonest bytes of boxscore text, so the two are not blanks if the
/// needle has others.
inline size_t Find(std::string_view haystack, std::string_view needle, size_t from) {
  size_t size = haystack.size();
  size_t length = needle.size();
  if (from > size || size - from < length) return std::string_view::npos;
  if (length == 0) return from;
  size_t first = needle.find_first_not_of(' ');
  size_t last = needle.find_last_not_of(' ');
  if (first == std::string_view::npos) first = last = 0;
  const char* p = haystack.data();
  size_t places = size - length + 1;  // where needle may begin: before this
  size_t i = from;
  Bytes16 first_byte = Splat(needle[first]);
  Bytes16 last_byte = Splat(needle[last]);
  for (; i + kWidth <= places; i += kWidth) {
    unsigned mask = Mask((Load(p + i + first) == first_byte) & (Load(p + i + last) == last_byte));
    for (; mask != 0; mask &= mask - 1) {
      size_t at = i + static_cast<size_t>(std::countr_zero(mask));
      if (std::memcmp(p + at, needle.data(), length) == 0) return at;
    }
  }
  for (; i < places; ++i) {
    if (p[i + first] == needle[first] && std::memcmp(p + i, needle.data(), length) == 0) return i;
  }
  return std::string_view::npos;
}

}  // namespace gamefold::scan
