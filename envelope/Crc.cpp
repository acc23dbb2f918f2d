// Summed CRC: the sum of a CRC-16 register's value after every byte. The portable variant, and the choice
// between it and the AVX2 variant (CrcAvx2.cpp).
#include "envelope/Crc.h"

#include <array>
#include <cstddef>

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
  for (int k = 0; k < kChunk; ++k) {
    for (unsigned i = 0; i < 256; ++i)
      t[k][i] = static_cast<std::uint16_t>(qx::envelope::advance_linear_zeros(i << 8, 1 + k));
  }
  return t;
}

constexpr auto kAdvance = make_advance_tables();

// The value unchanged, but unknown to the optimiser from here on.
[[gnu::always_inline]] inline std::uint32_t opaque(std::uint32_t v) noexcept {
#if defined(__GNUC__) || defined(__clang__)
  asm("" : "+r"(v));
#endif
  return v;
}

// Out of line so that the compiler keeps a branch here (no conditional move): the chain must not wait for the
// exact value.
[[gnu::noinline, gnu::cold]] std::uint32_t exact_register(std::uint32_t upper) noexcept { return opaque(upper) >> 16; }

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

// Summed CRC of len bytes from register crc; leaves the final register in crc.
// Every register value enters the sum, but only the register itself is a serial dependency. For each chunk of
// eight bytes the exact values are computed one byte at a time from the chunk's start register, off the chain,
// while the next chunk starts from the linear eight-byte jump. The jump is exact unless an index inside the
// chunk met the quirk entry; then it differs from the chunk's exact last value, which is taken instead. That
// test is a rarely taken branch, so the chain runs ahead on the jump and only a quirk chunk costs a
// misprediction.
}  // namespace

namespace qx::envelope {

std::uint32_t summed_crc_run(const unsigned char* data, std::uint32_t len, std::uint32_t& crc_io) noexcept {
  std::uint32_t crc = crc_io;
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
    // Compared with an opaque copy of the jump: were the optimiser to see that crc equals the exact value either
    // way, it would take the exact value unconditionally (as it did once len was a known constant), and the chain
    // would wait for the exact values again.
    if ((last >> 16) != opaque(jump)) [[unlikely]] {
      crc = exact_register(last);
    }
  }
  auto sum = static_cast<std::uint32_t>(scaled_sum >> 16);
  for (; i < len; ++i) {
    crc = step(crc, data[i]);
    sum += crc;
  }
  crc_io = crc;
  return sum;
}

std::uint32_t summed_crc_portable(const unsigned char* data, std::uint32_t len) noexcept {
  std::uint32_t crc = 0;
  return summed_crc_run(data, len, crc);
}

}  // namespace qx::envelope

namespace {

using SummedCrcFn = std::uint32_t (*)(const unsigned char*, std::uint32_t) noexcept;

// Chosen once, on the first checksum.
SummedCrcFn select_summed_crc() noexcept {
  if (qx::envelope::summed_crc_avx2_available()) return &qx::envelope::summed_crc_avx2;
  return &qx::envelope::summed_crc_portable;
}

}  // namespace

void TBlowfish::crcupdate(const unsigned char* byte, std::uint16_t* crc) const noexcept {
  *crc = static_cast<std::uint16_t>(step(*crc, *byte));
}

std::uint32_t TBlowfish::CRC(const unsigned char* data, std::uint32_t len) const noexcept {
  static const SummedCrcFn impl = select_summed_crc();
  return impl(data, len);
}
