// Round function and block transforms: known answers under the initial tables and the all-zero key state.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "Blowfish.h"

namespace {

struct Block {
  std::uint32_t l, r;
};

Block Encipher(const TBlowfish& bf, Block b) {
  bf.Blowfish_encipher(&b.l, &b.r);
  return b;
}

Block Decipher(const TBlowfish& bf, Block b) {
  bf.Blowfish_decipher(&b.l, &b.r);
  return b;
}

// Values worked out by hand from the round-function definition over the initial tables.
TEST(RoundFunction, KnownAnswersUnderInitialTables) {
  TBlowfish bf(nullptr);
  bf.ResetBox();
  const struct {
    std::uint32_t x, f;
  } cases[] = {
      {0x00000000, 0x7143BE0C},
      {0x00000001, 0x7143BE3A},
      {0xFFFFFFFF, 0xE140DF1B},
      {0xDEADBEEF, 0xBBC93E20},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(bf.F(c.x), c.f) << std::hex << c.x;
  }
}

TEST(BlockTransform, KnownAnswersUnderInitialTables) {
  TBlowfish bf(nullptr);
  bf.ResetBox();
  Block e0 = Encipher(bf, {0, 0});
  EXPECT_EQ(e0.l, 0x538400AEu);
  EXPECT_EQ(e0.r, 0x4B6B4E65u);
  Block e1 = Encipher(bf, {0x01234567, 0x89ABCDEF});
  EXPECT_EQ(e1.l, 0x4ED833B0u);
  EXPECT_EQ(e1.r, 0x02EB5460u);
  Block d0 = Decipher(bf, {0, 0});
  EXPECT_EQ(d0.l, 0x59CF1187u);
  EXPECT_EQ(d0.r, 0x61EBE96Cu);
}

// A fresh object enciphers with an all-zero key state: F is 0, so the halves are merely exchanged.
TEST(BlockTransform, AllZeroKeyStateSwapsHalves) {
  TBlowfish bf(nullptr);
  EXPECT_EQ(bf.F(0xDEADBEEF), 0u);
  Block e = Encipher(bf, {0x01234567, 0x89ABCDEF});
  EXPECT_EQ(e.l, 0x89ABCDEFu);
  EXPECT_EQ(e.r, 0x01234567u);
}

TEST(BlockTransform, DecipherInvertsEncipherInEveryKeyCondition) {
  TBlowfish fresh(nullptr);
  TBlowfish initial(nullptr);
  initial.ResetBox();
  TBlowfish keyed(nullptr);
  keyed.Key = "an example key";
  ASSERT_TRUE(keyed.InitializeKey());

  std::mt19937 rng(20261211);
  for (const TBlowfish* bf : {&fresh, &initial, &keyed}) {
    for (int i = 0; i < 2000; ++i) {
      const Block b{static_cast<std::uint32_t>(rng()), static_cast<std::uint32_t>(rng())};
      const Block back = Decipher(*bf, Encipher(*bf, b));
      ASSERT_EQ(back.l, b.l);
      ASSERT_EQ(back.r, b.r);
    }
  }
}

}  // namespace
