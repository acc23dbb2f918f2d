// Summed CRC: the table against polynomial division, the one kept quirk, and known sums.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Blowfish.h"
#include "envelope/CrcTable.h"

namespace {

// Remainder of i * x^16 modulo x^16 + x^12 + x^5 + 1, by long division in GF(2) over 24-bit values.
std::uint16_t PolynomialRemainder(unsigned i) {
  std::uint32_t r = static_cast<std::uint32_t>(i) << 16;
  const std::uint32_t poly = 0x11021;
  for (int bit = 23; bit >= 16; --bit) {
    if ((r >> bit) & 1) r ^= poly << (bit - 16);
  }
  return static_cast<std::uint16_t>(r);
}

TEST(CrcTable, EveryEntryIsThePolynomialRemainderButTheQuirk) {
  for (unsigned i = 0; i < 256; ++i) {
    const std::uint16_t expected = i == 0x51 ? 0x4ADA : PolynomialRemainder(i);
    EXPECT_EQ(qx::envelope::kCrcTable[i], expected) << "entry " << i;
  }
  EXPECT_EQ(PolynomialRemainder(0x51), 0x4AD4);
  EXPECT_EQ(qx::envelope::kCrcTable[1], 0x1021);
  EXPECT_EQ(qx::envelope::kCrcTable[255], 0x1EF0);
}

TEST(SummedCrc, RegisterValuesAndSums) {
  TBlowfish bf(nullptr);
  const unsigned char abc[] = {'a', 'b', 'c'};
  std::uint16_t reg = 0;
  const std::uint16_t expected[] = {0x7C87, 0x74FF, 0x9DD6};
  for (int i = 0; i < 3; ++i) {
    bf.crcupdate(&abc[i], &reg);
    EXPECT_EQ(reg, expected[i]);
  }
  EXPECT_EQ(bf.CRC(abc, 3), 0x00018F5Cu);

  const unsigned char quirk = 0x51;
  EXPECT_EQ(bf.CRC(&quirk, 1), 0x00004ADAu);
  EXPECT_EQ(bf.CRC(nullptr, 0), 0u);
  const std::vector<unsigned char> zeros(51200, 0);
  EXPECT_EQ(bf.CRC(zeros.data(), 51200), 0u);
}

TEST(SummedCrc, SumWrapsModulo2To32) {
  // CRC takes any 32-bit length, beyond what an envelope holds; enough bytes carry the sum past 2^32.
  TBlowfish bf(nullptr);
  const std::vector<unsigned char> ff(400000, 0xFF);
  std::uint16_t reg = 0;
  std::uint64_t wide = 0;
  for (unsigned char b : ff) {
    bf.crcupdate(&b, &reg);
    wide += reg;
  }
  ASSERT_GT(wide, 0xFFFFFFFFull);
  EXPECT_EQ(bf.CRC(ff.data(), static_cast<std::uint32_t>(ff.size())), static_cast<std::uint32_t>(wide));
}

}  // namespace
