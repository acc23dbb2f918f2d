// Envelope layout constants and little-endian field access.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace qx::envelope {

inline constexpr std::size_t kHeaderSize = 28;
inline constexpr std::size_t kBlockSize = 8;

// Field offsets; the bytes at 3, 9..11 and 20..27 are reserved and never read.
inline constexpr std::size_t kMagicOffset = 0;       // "QX" and a zero byte
inline constexpr std::size_t kDataLengthOffset = 4;  // u32: bytes given to the writer
inline constexpr std::size_t kVersionOffset = 8;     // read as a signed byte
inline constexpr std::size_t kChecksumOffset = 12;   // u32: summed CRC, 0 when none is stored
inline constexpr std::size_t kMarkerOffset = 16;     // i32: -1 plain body, else the filler count 0..7

inline constexpr unsigned char kMagic[3] = {'Q', 'X', '\0'};
inline constexpr std::int8_t kVersion = 5;
inline constexpr std::int32_t kPlainMarker = -1;
inline constexpr std::int32_t kMaxFillerMarker = 7;

// XORed into the second word of each enciphered block.
inline constexpr std::uint32_t kBlockWordKey = 1801976;  // 0x001B7EF8

static_assert(kMarkerOffset + 4 + 8 == kHeaderSize, "eight reserved bytes close the header");
static_assert(kBlockWordKey == 0x001B7EF8u);
static_assert(kMaxFillerMarker + 1 == kBlockSize);

// At run time on little-endian machines one 32-bit access: compilers do not always merge the byte accesses, and
// the body transform moves two words per block.
[[nodiscard]] constexpr std::uint32_t load_le32(const unsigned char* p) noexcept {
  if (!std::is_constant_evaluated() && std::endian::native == std::endian::little) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

constexpr void store_le32(unsigned char* p, std::uint32_t v) noexcept {
  if (!std::is_constant_evaluated() && std::endian::native == std::endian::little) {
    std::memcpy(p, &v, sizeof v);
    return;
  }
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

// Length rounded up to whole blocks; exact for every 32-bit length.
[[nodiscard]] constexpr std::uint64_t padded_length(std::uint32_t len) noexcept {
  return (static_cast<std::uint64_t>(len) + kBlockSize - 1) / kBlockSize * kBlockSize;
}

}  // namespace qx::envelope
