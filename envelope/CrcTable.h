// The checksum's CRC-16 table (polynomial 0x1021, MSB first), built at compile time.
#pragma once

#include <array>
#include <cstdint>

namespace qx::envelope {

// Stored checksums were computed with this one entry differing from the true CRC-16 table; keep it.
inline constexpr std::uint8_t kCrcQuirkIndex = 0x51;
inline constexpr std::uint16_t kCrcQuirkValue = 0x4ADA;

// The true CRC-16 table, without the quirk entry: what the fast paths' linear shortcuts assume.
[[nodiscard]] constexpr std::array<std::uint16_t, 256> make_linear_crc_table() noexcept {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned r = i << 8;
    for (int bit = 0; bit < 8; ++bit) {
      r = (r & 0x8000) != 0 ? (r << 1) ^ 0x1021 : r << 1;
    }
    table[i] = static_cast<std::uint16_t>(r);
  }
  return table;
}

[[nodiscard]] constexpr std::array<std::uint16_t, 256> make_crc_table() noexcept {
  std::array<std::uint16_t, 256> table = make_linear_crc_table();
  table[kCrcQuirkIndex] = kCrcQuirkValue;
  return table;
}

inline constexpr std::array<std::uint16_t, 256> kLinearCrcTable = make_linear_crc_table();
inline constexpr std::array<std::uint16_t, 256> kCrcTable = make_crc_table();

// The linear register after n further zero bytes: a linear map of the register.
[[nodiscard]] constexpr std::uint32_t advance_linear_zeros(std::uint32_t r, unsigned n) noexcept {
  for (unsigned k = 0; k < n; ++k) r = ((r << 8) & 0xFFFF) ^ kLinearCrcTable[r >> 8];
  return r;
}

}  // namespace qx::envelope
