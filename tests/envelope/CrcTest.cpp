// Summed CRC: the table against polynomial division, the one kept quirk, and known sums.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Blowfish.h"
#include "envelope/Crc.h"
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

// Every implementation of the summed CRC against a plain byte-at-a-time loop: the dispatched entry point, the
// portable variant, and the AVX2 variant where this CPU runs it. The AVX2 variant works on blocks of 256 bytes cut
// into 32 lanes of 8 bytes, predicts each lane's start register linearly and repeats a block's pass for every lane
// whose indices meet the quirk entry, up to a limit after which the block goes byte by byte; the cases below put
// hits at every position of a block, at lane edges, in a chosen number of lanes, and at every density.

using Bytes = std::vector<unsigned char>;

std::uint32_t PlainSummedCrc(const unsigned char* data, std::size_t len) {
  std::uint16_t crc = 0;
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < len; ++i) {
    crc = static_cast<std::uint16_t>((crc << 8) ^ qx::envelope::kCrcTable[(crc >> 8) ^ data[i]]);
    sum += crc;
  }
  return sum;
}

std::uint32_t PlainSummedCrc(const Bytes& data) { return PlainSummedCrc(data.data(), data.size()); }

// Random bytes whose register index meets the quirk entry exactly at the positions where hit[i] is set, and
// nowhere else.
Bytes DataWithHits(std::mt19937& rng, const std::vector<bool>& hit) {
  Bytes data(hit.size());
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < hit.size(); ++i) {
    const unsigned forced = (crc >> 8) ^ qx::envelope::kCrcQuirkIndex;
    unsigned b = forced;
    while (!hit[i] && b == forced) b = rng() & 0xFF;
    data[i] = static_cast<unsigned char>(b);
    crc = static_cast<std::uint16_t>((crc << 8) ^ qx::envelope::kCrcTable[(crc >> 8) ^ b]);
  }
  return data;
}

// Random bytes meeting the quirk entry at about hit_percent of the positions, chosen at random.
Bytes DataWithHitShare(std::mt19937& rng, std::size_t len, unsigned hit_percent) {
  std::vector<bool> hit(len);
  for (std::size_t i = 0; i < len; ++i) hit[i] = rng() % 100 < hit_percent;
  return DataWithHits(rng, hit);
}

Bytes RandomBytes(std::mt19937& rng, std::size_t len) {
  Bytes data(len);
  for (auto& b : data) b = static_cast<unsigned char>(rng());
  return data;
}

enum class Variant { Dispatched, Portable, Avx2 };

class SummedCrcVariant : public ::testing::TestWithParam<Variant> {
 protected:
  void SetUp() override {
    if (GetParam() == Variant::Avx2 && !qx::envelope::summed_crc_avx2_available()) {
      GTEST_SKIP() << "this CPU does not run the AVX2 variant";
    }
  }

  std::uint32_t Crc(const unsigned char* data, std::size_t len) const {
    const auto n = static_cast<std::uint32_t>(len);
    switch (GetParam()) {
      case Variant::Dispatched:
        return bf_.CRC(data, n);
      case Variant::Portable:
        return qx::envelope::summed_crc_portable(data, n);
      case Variant::Avx2:
        return qx::envelope::summed_crc_avx2(data, n);
    }
    return 0;
  }

  std::uint32_t Crc(const Bytes& data) const { return Crc(data.data(), data.size()); }

  // The same bytes at every start address alignment up to 31 bytes off.
  void ExpectAtEveryAlignment(const Bytes& data, const std::string& what) const {
    const std::uint32_t expected = PlainSummedCrc(data);
    Bytes shifted(data.size() + 32);
    for (std::size_t skew = 0; skew < 32; ++skew) {
      if (!data.empty()) std::memcpy(shifted.data() + skew, data.data(), data.size());
      ASSERT_EQ(Crc(shifted.data() + skew, data.size()), expected) << what << ", skew " << skew;
    }
  }

  TBlowfish bf_{nullptr};
};

TEST_P(SummedCrcVariant, KnownSums) {
  const unsigned char abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(Crc(abc, 3), 0x00018F5Cu);
  const unsigned char quirk = 0x51;
  EXPECT_EQ(Crc(&quirk, 1), 0x00004ADAu);
  EXPECT_EQ(Crc(nullptr, 0), 0u);
  EXPECT_EQ(Crc(Bytes(51200, 0)), 0u);
}

TEST_P(SummedCrcVariant, EveryLengthUpToThreeBlocksAndATail) {
  // 0..800 bytes: no block, one to three blocks, and every tail length after each.
  std::mt19937 rng(800);
  for (unsigned hit_percent : {0u, 3u, 50u, 100u}) {
    for (std::size_t len = 0; len <= 800; ++len) {
      const Bytes data = DataWithHitShare(rng, len, hit_percent);
      ASSERT_EQ(Crc(data), PlainSummedCrc(data)) << "length " << len << ", " << hit_percent << "% hits";
    }
  }
}

TEST_P(SummedCrcVariant, EveryAlignment) {
  std::mt19937 rng(32);
  for (std::size_t len : {1u, 7u, 8u, 9u, 255u, 256u, 257u, 511u, 512u, 513u, 1000u, 4099u}) {
    ExpectAtEveryAlignment(RandomBytes(rng, len), "random, length " + std::to_string(len));
    ExpectAtEveryAlignment(DataWithHitShare(rng, len, 20), "20% hits, length " + std::to_string(len));
  }
}

TEST_P(SummedCrcVariant, OneHitAtEveryPosition) {
  // Three blocks and a tail, no hit but one: every lane start, lane end, block edge and tail position.
  std::mt19937 rng(1);
  const std::size_t len = 3 * 256 + 13;
  for (std::size_t pos = 0; pos < len; ++pos) {
    std::vector<bool> hit(len);
    hit[pos] = true;
    const Bytes data = DataWithHits(rng, hit);
    ASSERT_EQ(Crc(data), PlainSummedCrc(data)) << "hit at " << pos;
  }
}

TEST_P(SummedCrcVariant, TwoHitsAtNearbyPositions) {
  // Pairs within and across lanes and blocks: consecutive hits, hits at both ends of a lane, in adjacent lanes.
  std::mt19937 rng(2);
  const std::size_t len = 2 * 256 + 5;
  for (std::size_t first = 0; first < len; first += 3) {
    for (std::size_t gap = 1; gap <= 17 && first + gap < len; ++gap) {
      std::vector<bool> hit(len);
      hit[first] = true;
      hit[first + gap] = true;
      const Bytes data = DataWithHits(rng, hit);
      ASSERT_EQ(Crc(data), PlainSummedCrc(data)) << "hits at " << first << " and " << first + gap;
    }
  }
}

TEST_P(SummedCrcVariant, HitsInAChosenNumberOfLanes) {
  // A block repeats its pass once for each of lanes 0..30 that meets the quirk entry, and after a limit (8 passes)
  // is left to the portable variant, as are the next few blocks: lane counts from none to all 32 in the second
  // block cover both sides of that limit (the first block meets the quirk entry in few lanes, so the second is
  // always tried with vectors); the third block, with any count, may be tried or left. Then a tail.
  std::mt19937 rng(3);
  for (int round = 0; round < 20; ++round) {
    for (unsigned lanes_hit = 0; lanes_hit <= 32; ++lanes_hit) {
      const std::size_t blocks = 3;
      const std::size_t len = blocks * 256 + rng() % 40;
      std::vector<bool> hit(len);
      for (std::size_t block = 0; block < blocks; ++block) {
        std::vector<unsigned> lanes(32);
        for (unsigned k = 0; k < 32; ++k) lanes[k] = k;
        std::shuffle(lanes.begin(), lanes.end(), rng);
        const unsigned count = block == 0   ? static_cast<unsigned>(rng() % 4)
                               : block == 1 ? lanes_hit
                                            : static_cast<unsigned>(rng() % 33);
        for (unsigned k = 0; k < count; ++k) {
          // One or more hits somewhere in the lane.
          const unsigned per_lane = 1 + rng() % 3;
          for (unsigned h = 0; h < per_lane; ++h) hit[block * 256 + lanes[k] * 8 + rng() % 8] = true;
        }
      }
      const Bytes data = DataWithHits(rng, hit);
      ASSERT_EQ(Crc(data), PlainSummedCrc(data)) << "round " << round << ", " << lanes_hit << " lanes hit";
    }
  }
}

TEST_P(SummedCrcVariant, LongInputsAtEveryHitDensity) {
  std::mt19937 rng(51200);
  for (unsigned hit_percent : {0u, 1u, 3u, 10u, 30u, 70u, 100u}) {
    const Bytes data = DataWithHitShare(rng, 51200 + 77, hit_percent);
    EXPECT_EQ(Crc(data), PlainSummedCrc(data)) << hit_percent << "% hits";
  }
  const Bytes mebibyte = RandomBytes(rng, 1 << 20);
  EXPECT_EQ(Crc(mebibyte), PlainSummedCrc(mebibyte));
  for (unsigned char fill : {0x00, 0x51, 0xAE, 0xFF}) {
    const Bytes run(4099 + 256, fill);
    EXPECT_EQ(Crc(run), PlainSummedCrc(run)) << "run of " << static_cast<unsigned>(fill);
  }
}

TEST_P(SummedCrcVariant, SumWrapsModulo2To32) {
  const Bytes ff(400000, 0xFF);
  std::mt19937 rng(4);
  const Bytes random = RandomBytes(rng, 400000);
  EXPECT_EQ(Crc(ff), PlainSummedCrc(ff));
  EXPECT_EQ(Crc(random), PlainSummedCrc(random));
}

INSTANTIATE_TEST_SUITE_P(Variants, SummedCrcVariant,
                         ::testing::Values(Variant::Dispatched, Variant::Portable, Variant::Avx2),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                           switch (info.param) {
                             case Variant::Dispatched:
                               return std::string("Dispatched");
                             case Variant::Portable:
                               return std::string("Portable");
                             case Variant::Avx2:
                               return std::string("Avx2");
                           }
                           return std::string("Unknown");
                         });

}  // namespace
