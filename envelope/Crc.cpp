// Summed CRC: the sum of a CRC-16 register's value after every byte.
#include <array>

#include "Blowfish.h"
#include "envelope/CrcTable.h"

namespace {

using qx::envelope::kCrcTable;

// Register after one byte, with the table as stored checksums require (quirk entry included).
[[gnu::always_inline]] inline std::uint32_t step(std::uint32_t crc, std::uint32_t byte) noexcept {
  return ((crc << 8) & 0xFFFF) ^ kCrcTable[(crc >> 8) ^ byte];
}

// Each entry holds the checksum table's value twice, at bits 16..31 and 48..63 (see exact_four).
constexpr std::array<std::uint64_t, 256> make_paired_table() noexcept {
  std::array<std::uint64_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i) t[i] = std::uint64_t{kCrcTable[i]} << 48 | std::uint64_t{kCrcTable[i]} << 16;
  return t;
}

constexpr auto kPairedTable = make_paired_table();

// Tables of the true (linear) CRC-16 advanced by k further zero bytes: kAdvance[k][i] is the register reached
// from index i after 1 + k bytes. Together they give the register a whole chunk ahead in one parallel step,
// exact whenever no index in between meets the quirk entry.
constexpr int kChunk = 8;

constexpr std::array<std::array<std::uint16_t, 256>, kChunk> make_advance_tables() noexcept {
  std::array<std::array<std::uint16_t, 256>, kChunk> t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned r = i << 8;
    for (int bit = 0; bit < 8; ++bit) r = (r & 0x8000) != 0 ? (r << 1) ^ 0x1021 : r << 1;
    t[0][i] = static_cast<std::uint16_t>(r);
  }
  for (int k = 1; k < kChunk; ++k) {
    for (unsigned i = 0; i < 256; ++i) {
      const unsigned prev = t[k - 1][i];
      t[k][i] = static_cast<std::uint16_t>(((prev << 8) & 0xFFFF) ^ t[0][prev >> 8]);
    }
  }
  return t;
}

constexpr auto kAdvance = make_advance_tables();

// Out of line so that the compiler keeps a branch here: the chain must not wait for the exact value.
[[gnu::noinline, gnu::cold]] std::uint32_t exact_register(std::uint32_t upper) noexcept { return upper >> 16; }

// Exact register values of four bytes from a start register (given << 16) and the four bytes (first byte
// highest). One 64-bit word carries two views of the same register: the upper half holds it with the bytes still
// to come XORed in below it, so its top byte is the next index; the lower half holds it alone, << 16, ready to be
// summed. One shift and one XOR with a paired entry advance both. Bits of the lower half shifted into the upper
// half land below the register and need four steps to reach the index byte, so four steps are exact.
// Adds each value to the sum as register << 16 and returns the last one, << 16.
[[gnu::always_inline]] inline std::uint32_t exact_four(std::uint32_t start, std::uint32_t bytes,
                                                       std::uint64_t& scaled_sum) noexcept {
  std::uint64_t y = std::uint64_t{start ^ bytes} << 32 | start;
  for (int k = 0; k < 4; ++k) {
    y = (y << 8) ^ kPairedTable[y >> 56];
    scaled_sum += static_cast<std::uint32_t>(y);
  }
  return static_cast<std::uint32_t>(y);
}

}  // namespace

void TBlowfish::crcupdate(const unsigned char* byte, std::uint16_t* crc) const noexcept {
  *crc = static_cast<std::uint16_t>(step(*crc, *byte));
}

// Every register value enters the sum, but only the register itself is a serial dependency. For each chunk of
// eight bytes the exact values are computed one byte at a time from the chunk's start register, off the chain,
// while the next chunk starts from the linear eight-byte jump. The jump is exact unless an index inside the
// chunk met the quirk entry; then it differs from the chunk's exact last value, which is taken instead. That
// test is a rarely taken branch, so the chain runs ahead on the jump and only a quirk chunk costs a
// misprediction.
std::uint32_t TBlowfish::CRC(const unsigned char* data, std::uint32_t len) const noexcept {
  std::uint32_t crc = 0;
  // Each exact value arrives as register << 16 with zero low bits, so the sum is kept scaled by 2^16; below
  // 2^48 * 2^16 for any 32-bit length, it never overflows.
  std::uint64_t scaled_sum = 0;
  std::uint32_t i = 0;
  for (; len - i >= kChunk; i += kChunk) {
    const unsigned char* p = data + i;
    const std::uint32_t first = static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
                                static_cast<std::uint32_t>(p[2]) << 8 | p[3];
    const std::uint32_t second = static_cast<std::uint32_t>(p[4]) << 24 | static_cast<std::uint32_t>(p[5]) << 16 |
                                 static_cast<std::uint32_t>(p[6]) << 8 | p[7];
    const std::uint32_t x0 = (crc << 16) ^ first;
    // Balanced, so the chain sees two XOR levels after the lookups.
    const std::uint32_t jump = ((kAdvance[7][x0 >> 24] ^ kAdvance[6][(x0 >> 16) & 0xFF]) ^
                                (kAdvance[5][(x0 >> 8) & 0xFF] ^ kAdvance[4][x0 & 0xFF])) ^
                               ((kAdvance[3][second >> 24] ^ kAdvance[2][(second >> 16) & 0xFF]) ^
                                (kAdvance[1][(second >> 8) & 0xFF] ^ kAdvance[0][second & 0xFF]));
    const std::uint32_t mid = exact_four(crc << 16, first, scaled_sum);
    const std::uint32_t last = exact_four(mid, second, scaled_sum);
    crc = jump;
    if ((last >> 16) != jump) [[unlikely]] {
      crc = exact_register(last);
    }
  }
  auto sum = static_cast<std::uint32_t>(scaled_sum >> 16);
  for (; i < len; ++i) {
    crc = step(crc, data[i]);
    sum += crc;
  }
  return sum;
}
