// The optimised cipher, body transform and checksum against the plain reference, over many random keys,
// blocks and lengths, and over data built to meet the checksum's exceptional table entry often.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "Blowfish.h"
#include "cipher/LanesX86.h"
#include "envelope/BodyTransform.h"
#include "envelope/Crc.h"
#include "reference/Reference.h"

namespace {

using Bytes = std::vector<unsigned char>;

bool SameState(const TBlowfish& bf, const qx::reference::KeyState& ref) {
  static_assert(sizeof(qx::cipher::KeyState) == sizeof(qx::reference::KeyState));
  return std::memcmp(&bf.GetKeyState(), &ref, sizeof ref) == 0;
}

std::string RandomKeyText(std::mt19937& rng, std::size_t len) {
  std::string key(len, ' ');
  // Any byte but zero, high bytes included: they must enter the schedule unsigned.
  for (auto& c : key) c = static_cast<char>(1 + rng() % 255);
  return key;
}

// Enciphers and deciphers a handful of blocks and F values with both implementations.
void ExpectSameTransforms(const TBlowfish& bf, const qx::reference::KeyState& ref, std::mt19937& rng) {
  for (int n = 0; n < 64; ++n) {
    const std::uint32_t x = rng();
    ASSERT_EQ(bf.F(x), qx::reference::f(ref, x)) << std::hex << x;
    std::uint32_t l = rng(), r = rng();
    std::uint32_t rl = l, rr = r;
    bf.Blowfish_encipher(&l, &r);
    qx::reference::encipher(ref, rl, rr);
    ASSERT_EQ(l, rl);
    ASSERT_EQ(r, rr);
    bf.Blowfish_decipher(&l, &r);
    qx::reference::decipher(ref, rl, rr);
    ASSERT_EQ(l, rl);
    ASSERT_EQ(r, rr);
  }
}

TEST(Differential, KeyScheduleAndBlocksOverRandomKeys) {
  std::mt19937 rng(0x51ED);
  // One object reused for every key, so stale derived state from an earlier key would show.
  TBlowfish bf(nullptr);
  for (int trial = 0; trial < 300; ++trial) {
    const std::size_t len = trial < 57 ? static_cast<std::size_t>(trial) : rng() % 57;  // every length 0..56
    const std::string key = RandomKeyText(rng, len);
    bf.IniitializeBlowfish(key.c_str(), static_cast<short>(len));
    qx::reference::KeyState ref{};
    qx::reference::key_schedule(ref, reinterpret_cast<const unsigned char*>(key.c_str()), static_cast<int>(len));
    ASSERT_TRUE(SameState(bf, ref)) << "key length " << len;
    ExpectSameTransforms(bf, ref, rng);
  }
}

// ResetBox after a keyed state must leave nothing of the earlier key behind, and a fresh object computes with
// the all-zero state.
TEST(Differential, ResetBoxAndFreshObject) {
  std::mt19937 rng(232);
  qx::reference::KeyState initial{};
  qx::reference::reset_box(initial);
  const qx::reference::KeyState zero{};

  TBlowfish fresh(nullptr);
  ExpectSameTransforms(fresh, zero, rng);

  TBlowfish bf(nullptr);
  bf.Key = "a key before the reset";
  ASSERT_TRUE(bf.InitializeKey());
  bf.ResetBox();
  ASSERT_TRUE(SameState(bf, initial));
  ExpectSameTransforms(bf, initial, rng);
}

// Every four-block kernel this machine can run is compared, not only the one the library picks.
std::vector<std::pair<const char*, qx::cipher::LaneKernels>> RunnableLaneKernels() {
  std::vector<std::pair<const char*, qx::cipher::LaneKernels>> kernels = {
      {"portable", qx::cipher::portable_lane_kernels()}};
  if (qx::cipher::have_x86_lane_kernels()) kernels.emplace_back("x86-64", qx::cipher::fast_lane_kernels());
  return kernels;
}

TEST(Differential, BodyTransformOverRandomLengthsAndKeys) {
  std::mt19937 rng(8);
  TBlowfish bf(nullptr);
  // Short bodies cover every remainder after whole groups of interleaved blocks; the rest are up to MaxData.
  std::vector<std::size_t> lengths;
  for (std::size_t blocks = 0; blocks <= 20; ++blocks) lengths.push_back(blocks * 8);
  for (int n = 0; n < 20; ++n) lengths.push_back(8 * (rng() % (TBlowfish::MaxData / 8 + 1)));
  lengths.push_back(TBlowfish::MaxData);

  for (const auto& [name, kernels] : RunnableLaneKernels()) {
    for (std::size_t len : lengths) {
      SCOPED_TRACE(testing::Message() << name << " kernels, length " << len);
      const std::string key = RandomKeyText(rng, rng() % 57);
      bf.Key = key;
      ASSERT_TRUE(bf.InitializeKey());
      qx::reference::KeyState ref{};
      qx::reference::key_schedule(ref, reinterpret_cast<const unsigned char*>(key.c_str()),
                                  static_cast<int>(key.size()));

      Bytes plain(len);
      for (auto& b : plain) b = static_cast<unsigned char>(rng());
      Bytes fast = plain;
      Bytes slow = plain;
      qx::envelope::encipher_body_with(bf, kernels, fast.data(), fast.size());
      qx::reference::encipher_body(ref, slow.data(), slow.size());
      ASSERT_EQ(fast, slow) << "encipher";
      qx::envelope::decipher_body_with(bf, kernels, fast.data(), fast.size());
      ASSERT_EQ(fast, plain) << "round trip";

      // Deciphering arbitrary bytes (not produced by encipher) must agree as well.
      Bytes other(len);
      for (auto& b : other) b = static_cast<unsigned char>(rng());
      Bytes fast_other = other;
      qx::envelope::decipher_body_with(bf, kernels, fast_other.data(), fast_other.size());
      qx::reference::decipher_body(ref, other.data(), other.size());
      ASSERT_EQ(fast_other, other) << "decipher";
    }
  }
}

// The library's own choice of kernels in the two key conditions without a schedule: the initial tables (set
// over a keyed state) and the all-zero state of a fresh object.
TEST(Differential, BodyTransformUnderInitialTablesAndFreshObject) {
  std::mt19937 rng(9);
  Bytes plain(8 * 37);
  for (auto& b : plain) b = static_cast<unsigned char>(rng());
  for (const bool reset : {false, true}) {
    SCOPED_TRACE(reset ? "initial tables" : "fresh object");
    TBlowfish bf(nullptr);
    qx::reference::KeyState ref{};
    if (reset) {
      // After a schedule, so that stale reduced boxes would show.
      bf.Key = "a key before the reset";
      ASSERT_TRUE(bf.InitializeKey());
      bf.ResetBox();
      qx::reference::reset_box(ref);
    }
    Bytes fast = plain;
    Bytes slow = plain;
    qx::envelope::encipher_body(bf, fast.data(), fast.size());
    qx::reference::encipher_body(ref, slow.data(), slow.size());
    ASSERT_EQ(fast, slow);
    qx::envelope::decipher_body(bf, fast.data(), fast.size());
    ASSERT_EQ(fast, plain);
  }
}

// Data where a chosen share of the bytes drive the register's index to 0x51: each such byte is picked as
// (crc >> 8) ^ 0x51 from the reference register, the others are random.
Bytes QuirkHeavyData(std::mt19937& rng, std::size_t len, unsigned hit_percent) {
  Bytes data(len);
  std::uint16_t crc = 0;
  for (auto& b : data) {
    b = rng() % 100 < hit_percent ? static_cast<unsigned char>((crc >> 8) ^ 0x51) : static_cast<unsigned char>(rng());
    qx::reference::crc_update(b, crc);
  }
  return data;
}

TEST(Differential, SummedCrcOverRandomAndQuirkHeavyData) {
  std::mt19937 rng(0x4ADA);
  const TBlowfish bf(nullptr);
  // Hit shares: none forced (random data meets the entry about once per 256 bytes), occasional, dense, every byte.
  for (unsigned hit_percent : {0u, 3u, 30u, 70u, 100u}) {
    std::size_t total_hits = 0;
    std::size_t total_bytes = 0;
    for (int n = 0; n < 200; ++n) {
      const std::size_t len = n < 40 ? static_cast<std::size_t>(n) : rng() % 3000;
      const Bytes data = QuirkHeavyData(rng, len, hit_percent);
      std::size_t hits = 0;
      const std::uint32_t expected = qx::reference::summed_crc(data.data(), data.size(), &hits);
      total_hits += hits;
      total_bytes += len;
      ASSERT_EQ(bf.CRC(data.data(), static_cast<std::uint32_t>(len)), expected)
          << "length " << len << ", " << hit_percent << "% forced hits";
      // Each variant behind it directly, whichever the dispatch chose.
      ASSERT_EQ(qx::envelope::summed_crc_portable(data.data(), static_cast<std::uint32_t>(len)), expected)
          << "portable, length " << len << ", " << hit_percent << "% forced hits";
      if (qx::envelope::summed_crc_avx2_available()) {
        ASSERT_EQ(qx::envelope::summed_crc_avx2(data.data(), static_cast<std::uint32_t>(len)), expected)
            << "AVX2, length " << len << ", " << hit_percent << "% forced hits";
      }
      // The same bytes at every alignment of the start address.
      if (len > 16) {
        Bytes shifted(len + 7);
        for (std::size_t skew = 1; skew < 8; ++skew) {
          std::memcpy(shifted.data() + skew, data.data(), len);
          ASSERT_EQ(bf.CRC(shifted.data() + skew, static_cast<std::uint32_t>(len)), expected) << "skew " << skew;
        }
      }
    }
    // The data really does reach the exceptional entry as often as intended.
    EXPECT_GE(total_hits * 100, total_bytes * hit_percent * 9 / 10) << hit_percent;
  }

  // A full-size body made only of hits, and runs of the byte 0x51 from a zero register.
  const Bytes all_hits = QuirkHeavyData(rng, TBlowfish::MaxData, 100);
  const std::uint32_t all_hits_sum = qx::reference::summed_crc(all_hits.data(), all_hits.size());
  EXPECT_EQ(bf.CRC(all_hits.data(), TBlowfish::MaxData), all_hits_sum);
  EXPECT_EQ(qx::envelope::summed_crc_portable(all_hits.data(), TBlowfish::MaxData), all_hits_sum);
  if (qx::envelope::summed_crc_avx2_available()) {
    EXPECT_EQ(qx::envelope::summed_crc_avx2(all_hits.data(), TBlowfish::MaxData), all_hits_sum);
  }
  const Bytes quirk_bytes(4099, 0x51);
  const std::uint32_t quirk_bytes_sum = qx::reference::summed_crc(quirk_bytes.data(), quirk_bytes.size());
  EXPECT_EQ(bf.CRC(quirk_bytes.data(), 4099), quirk_bytes_sum);
  EXPECT_EQ(qx::envelope::summed_crc_portable(quirk_bytes.data(), 4099), quirk_bytes_sum);
  if (qx::envelope::summed_crc_avx2_available()) {
    EXPECT_EQ(qx::envelope::summed_crc_avx2(quirk_bytes.data(), 4099), quirk_bytes_sum);
  }
}

TEST(Differential, CrcUpdateOverEveryRegisterHighByteAndInput) {
  const TBlowfish bf(nullptr);
  // Every index value, with low register bytes varied: covers the whole table, quirk entry included.
  for (unsigned high = 0; high < 256; ++high) {
    for (unsigned byte = 0; byte < 256; ++byte) {
      const auto start = static_cast<std::uint16_t>(high << 8 | ((high * 37 + byte) & 0xFF));
      std::uint16_t fast = start;
      std::uint16_t slow = start;
      const auto b = static_cast<unsigned char>(byte);
      bf.crcupdate(&b, &fast);
      qx::reference::crc_update(b, slow);
      ASSERT_EQ(fast, slow) << high << ' ' << byte;
    }
  }
}

}  // namespace
