// Key schedule and InitializeKey: keyed known answers, key-text rules and the 56-byte limit.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>

#include "Blowfish.h"

namespace {

bool SameKeyState(const TBlowfish& a, const TBlowfish& b) {
  return std::memcmp(&a.GetKeyState(), &b.GetKeyState(), sizeof(qx::cipher::KeyState)) == 0;
}

// Computed independently from the key-schedule description.
struct KeyedVector {
  const char* name;
  std::string key;
  std::uint32_t p0, p17, s0_0, s3_255;
  std::uint32_t zero_l, zero_r;  // Blowfish_encipher of (0, 0)
  std::uint32_t seq_l, seq_r;    // Blowfish_encipher of (0x01234567, 0x89ABCDEF)
};

// GoogleTest would otherwise print the raw bytes of the parameter, std::string's unused buffer included.
void PrintTo(const KeyedVector& v, std::ostream* os) { *os << v.name; }

class KeyedKnownAnswer : public testing::TestWithParam<KeyedVector> {};

TEST_P(KeyedKnownAnswer, KeyStateAndBlocks) {
  const KeyedVector& v = GetParam();
  TBlowfish bf(nullptr);
  bf.Key = v.key;
  ASSERT_TRUE(bf.InitializeKey());
  EXPECT_EQ(bf.GetErrorCode(), 0);
  const auto& ks = bf.GetKeyState();
  EXPECT_EQ(ks.P[0], v.p0);
  EXPECT_EQ(ks.P[17], v.p17);
  EXPECT_EQ(ks.S[0][0], v.s0_0);
  EXPECT_EQ(ks.S[3][255], v.s3_255);

  std::uint32_t l = 0, r = 0;
  bf.Blowfish_encipher(&l, &r);
  EXPECT_EQ(l, v.zero_l);
  EXPECT_EQ(r, v.zero_r);
  l = 0x01234567;
  r = 0x89ABCDEF;
  bf.Blowfish_encipher(&l, &r);
  EXPECT_EQ(l, v.seq_l);
  EXPECT_EQ(r, v.seq_r);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyedKnownAnswer,
                         testing::Values(KeyedVector{"DefaultKey", "5820316497", 0xFEA27D39, 0x391FEF9C, 0x1716B91F,
                                                     0x70433342, 0x6F25F77F, 0xD1AE589F, 0x41CF82C1, 0x1A4FDE7E},
                                         KeyedVector{"EmptyKey", "", 0x538400AE, 0x891A2ED1, 0x883CAEB4, 0x264D6129,
                                                     0x037C7018, 0x3038505B, 0x9EA9D919, 0x0E25E3E6},
                                         KeyedVector{"FiftySixBytes", std::string(56, 'k'), 0x8109AEF6, 0x737FCD9F,
                                                     0x234C871E, 0x30CDF697, 0x445FD509, 0xF6088366, 0x5D00BFDA,
                                                     0x02402021}),
                         [](const testing::TestParamInfo<KeyedVector>& info) { return std::string(info.param.name); });

TEST(InitializeKey, FreshObjectDefaults) {
  TBlowfish bf(nullptr);
  EXPECT_EQ(bf.GetErrorCode(), 0);
  EXPECT_FALSE(bf.Crc_Check);
  EXPECT_FALSE(bf.Compression);
  EXPECT_EQ(bf.Key, "5820316497");
  const auto* bytes = reinterpret_cast<const unsigned char*>(&bf.GetKeyState());
  for (std::size_t i = 0; i < sizeof(qx::cipher::KeyState); ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST(InitializeKey, OverlongKeyRefusedAndEarlierStateKept) {
  TBlowfish bf(nullptr);
  bf.Key = "earlier";
  ASSERT_TRUE(bf.InitializeKey());
  TBlowfish reference(nullptr);
  reference.Key = "earlier";
  ASSERT_TRUE(reference.InitializeKey());

  for (std::size_t length : {57u, 58u, 70000u}) {
    bf.Key = std::string(length, 'k');
    EXPECT_FALSE(bf.InitializeKey()) << length;
    EXPECT_EQ(bf.GetErrorCode(), TBlowfish::ErrKeyTooLong);
    EXPECT_TRUE(SameKeyState(bf, reference));
  }
  // The register is cleared by the next operation that succeeds.
  bf.Key = "ok";
  EXPECT_TRUE(bf.InitializeKey());
  EXPECT_EQ(bf.GetErrorCode(), 0);
}

TEST(InitializeKey, KeyTextEndsAtFirstZeroByte) {
  TBlowfish embedded(nullptr);
  embedded.Key = std::string("abc\0def", 7);
  ASSERT_TRUE(embedded.InitializeKey());
  TBlowfish plain(nullptr);
  plain.Key = "abc";
  ASSERT_TRUE(plain.InitializeKey());
  EXPECT_TRUE(SameKeyState(embedded, plain));

  // Only the key text counts towards the limit: 56 bytes, a zero, then more is accepted.
  TBlowfish padded(nullptr);
  padded.Key = std::string(56, 'k') + std::string(1, '\0') + "tail";
  EXPECT_TRUE(padded.InitializeKey());
}

TEST(InitializeKey, AssigningKeyHasNoEffectUntilNextSchedule) {
  TBlowfish bf(nullptr);
  ASSERT_TRUE(bf.InitializeKey());
  TBlowfish reference(nullptr);
  ASSERT_TRUE(reference.InitializeKey());
  bf.Key = "something else";
  EXPECT_TRUE(SameKeyState(bf, reference));
  ASSERT_TRUE(bf.InitializeKey());
  EXPECT_FALSE(SameKeyState(bf, reference));
}

// The cycle covers len + 1 bytes: the terminating zero is part of it, so "abc" (len 3) and "abc\0" counted as
// len 4 feed different sequences.
TEST(IniitializeBlowfish, CycleLengthFollowsLenArgument) {
  const char text[] = "abc\0";  // five readable bytes, zero at indexes 3 and 4
  TBlowfish three(nullptr);
  three.IniitializeBlowfish(text, 3);
  TBlowfish four(nullptr);
  four.IniitializeBlowfish(text, 4);
  EXPECT_FALSE(SameKeyState(three, four));

  TBlowfish via_key(nullptr);
  via_key.Key = "abc";
  ASSERT_TRUE(via_key.InitializeKey());
  EXPECT_TRUE(SameKeyState(three, via_key));
}

}  // namespace
