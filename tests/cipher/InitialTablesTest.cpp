// The committed initial tables: anchor words and the generator's digest over all 1042 words.
#include <gtest/gtest.h>

#include "cipher/InitialTables.h"

namespace {

using qx::cipher::kInitialP;
using qx::cipher::kInitialS;

TEST(InitialTables, AnchorWordsOfPi) {
  EXPECT_EQ(kInitialP[0], 0x243F6A88u);
  EXPECT_EQ(kInitialP[1], 0x85A308D3u);
  EXPECT_EQ(kInitialP[17], 0x8979FB1Bu);
  EXPECT_EQ(kInitialS[0][0], 0xD1310BA6u);
  EXPECT_EQ(kInitialS[1][0], 0x4B7A70E9u);
  EXPECT_EQ(kInitialS[2][0], 0xE93D5A68u);
  EXPECT_EQ(kInitialS[3][0], 0x3A39CE37u);
  EXPECT_EQ(kInitialS[3][255], 0x3AC372E6u);
}

// The full recomputation of pi runs as the CTest case cipher.InitialTablesMatchGenerator; this catches a table
// edited after generation without rerunning the generator.
TEST(InitialTables, DigestOfAllWordsMatchesGenerator) {
  std::uint64_t h = 0xCBF29CE484222325ULL;
  auto mix = [&h](std::uint32_t w) {
    for (int shift = 0; shift < 32; shift += 8) {
      h ^= (w >> shift) & 0xFF;
      h *= 0x100000001B3ULL;
    }
  };
  for (std::uint32_t w : kInitialP) mix(w);
  for (const auto& box : kInitialS)
    for (std::uint32_t w : box) mix(w);
  EXPECT_EQ(h, qx::cipher::kInitialTablesDigest);
}

}  // namespace
