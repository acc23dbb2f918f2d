// The reference implementation against the worked examples of the cipher and checksum descriptions, so that
// the differential tests compare the fast paths with something known to be right.
#include <gtest/gtest.h>

#include <cstring>

#include "reference/Reference.h"

namespace {

using qx::reference::KeyState;

TEST(ReferenceSelf, CipherWorkedExamplesUnderInitialTables) {
  KeyState ks{};
  qx::reference::reset_box(ks);
  // F values and blocks as worked out in the cipher description.
  const struct {
    std::uint32_t x, f;
  } rounds[] = {{0x00000000, 0x7143BE0C}, {0x00000001, 0x7143BE3A}, {0xFFFFFFFF, 0xE140DF1B}, {0xDEADBEEF, 0xBBC93E20}};
  for (const auto& c : rounds) EXPECT_EQ(qx::reference::f(ks, c.x), c.f) << std::hex << c.x;

  std::uint32_t l = 0, r = 0;
  qx::reference::encipher(ks, l, r);
  EXPECT_EQ(l, 0x538400AEu);
  EXPECT_EQ(r, 0x4B6B4E65u);
  l = 0x01234567;
  r = 0x89ABCDEF;
  qx::reference::encipher(ks, l, r);
  EXPECT_EQ(l, 0x4ED833B0u);
  EXPECT_EQ(r, 0x02EB5460u);
  l = 0;
  r = 0;
  qx::reference::decipher(ks, l, r);
  EXPECT_EQ(l, 0x59CF1187u);
  EXPECT_EQ(r, 0x61EBE96Cu);

  unsigned char body[8];
  std::memcpy(body, "abcdefgh", 8);
  qx::reference::encipher_body(ks, body, 8);
  const unsigned char expected[8] = {0x39, 0xCB, 0x00, 0x4F, 0xEB, 0x7E, 0x81, 0x27};
  EXPECT_EQ(std::memcmp(body, expected, 8), 0);
  qx::reference::decipher_body(ks, body, 8);
  EXPECT_EQ(std::memcmp(body, "abcdefgh", 8), 0);

  // The all-zero key state merely exchanges the halves.
  const KeyState zero{};
  l = 1;
  r = 2;
  qx::reference::encipher(zero, l, r);
  EXPECT_EQ(l, 2u);
  EXPECT_EQ(r, 1u);
}

TEST(ReferenceSelf, ChecksumWorkedExamples) {
  EXPECT_EQ(qx::reference::crc_table_entry(0x00), 0x0000);
  EXPECT_EQ(qx::reference::crc_table_entry(0x01), 0x1021);
  EXPECT_EQ(qx::reference::crc_table_entry(0x02), 0x2042);
  EXPECT_EQ(qx::reference::crc_table_entry(0xFF), 0x1EF0);
  EXPECT_EQ(qx::reference::crc_table_entry(0x51), 0x4ADA);

  const unsigned char abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(qx::reference::summed_crc(abc, 3), 0x00018F5Cu);
  const unsigned char quirk = 0x51;
  std::size_t hits = 0;
  EXPECT_EQ(qx::reference::summed_crc(&quirk, 1, &hits), 0x00004ADAu);
  EXPECT_EQ(hits, 1u);
}

}  // namespace
