// Header codec and the structural checks shared by the reader and envelope inspection.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "Blowfish.h"
#include "envelope/EnvelopeTestSupport.h"
#include "envelope/Header.h"

namespace {

using qx::envelope::check_envelope;
using qx::envelope::Header;
using qx::test::Bytes;
using qx::test::FromHex;

// The header of the "Hello, world!" envelope (13 bytes, checksum stored, not compressed) from the issue.
constexpr char kHelloHeaderHex[] = "515800000d000000050000005cbf0700ffffffff0000000000000000";

TEST(Header, WritesTheFieldsLittleEndianWithZeroReservedBytes) {
  Bytes out(28, 0xEE);
  qx::envelope::write_header(out.data(), Header{13, 5, 0x0007BF5C, -1});
  EXPECT_EQ(out, FromHex(kHelloHeaderHex));

  qx::envelope::write_header(out.data(), Header{0x04030201, 0x7F, 0x0D0C0B0A, 7});
  EXPECT_EQ(out, FromHex("51580000010203047f0000000a0b0c0d070000000000000000000000"));
}

TEST(Header, ReadsFieldsWithSignedVersionAndMarkerAndIgnoresReservedBytes) {
  Bytes in = FromHex(kHelloHeaderHex);
  for (std::size_t reserved : {3u, 9u, 10u, 11u, 20u, 27u}) in[reserved] = 0xA5;
  Header h = qx::envelope::read_header(in.data());
  EXPECT_EQ(h.data_length, 13u);
  EXPECT_EQ(h.version, 5);
  EXPECT_EQ(h.checksum, 0x0007BF5Cu);
  EXPECT_EQ(h.marker, -1);

  in[8] = 0x80;
  in[16] = 0xFE;  // marker bytes FE FF FF FF
  h = qx::envelope::read_header(in.data());
  EXPECT_EQ(h.version, -128);
  EXPECT_EQ(h.marker, -2);
}

// An envelope of the given body length whose header has the given fields (body bytes are zero; only the
// structure is judged here).
Bytes Envelope(std::uint32_t data_length, std::int32_t marker, std::size_t body_len, std::int8_t version = 5) {
  Bytes e(28 + body_len, 0);
  qx::envelope::write_header(e.data(), Header{data_length, version, 0, marker});
  return e;
}

struct StructureCase {
  const char* name;
  Bytes envelope;
  std::uint32_t length;  // length passed in; may differ from envelope.size()
  int code;
};

// Rows follow the reader's checks in order, then the rules for headers that contradict their body.
std::vector<StructureCase> StructureCases() {
  std::vector<StructureCase> cases;
  const auto add = [&](const char* name, Bytes e, int code) {
    const auto len = static_cast<std::uint32_t>(e.size());
    cases.push_back({name, std::move(e), len, code});
  };
  add("plain 9 bytes in two blocks", Envelope(9, -1, 16), 0);
  add("empty data", Envelope(0, -1, 0), 0);
  add("longest plain envelope", Envelope(51200, -1, 51200), 0);
  add("compressed, one block", Envelope(51200, 7, 8), 0);
  add("one byte over the longest envelope", Envelope(51200, -1, 51201), TBlowfish::ErrTooLong);
  {
    Bytes e = FromHex(kHelloHeaderHex);
    e.resize(20);
    add("shorter than a header", std::move(e), TBlowfish::ErrBadLength);
  }
  add("body not whole blocks", Envelope(5, -1, 5), TBlowfish::ErrBadLength);
  {
    Bytes e = Envelope(8, -1, 8);
    e[0] = 'q';
    add("magic lower case", std::move(e), TBlowfish::ErrNoMagic);
  }
  {
    Bytes e = Envelope(8, -1, 8);
    e[2] = '!';
    add("magic without its zero byte", std::move(e), TBlowfish::ErrNoMagic);
  }
  {
    Bytes e = Envelope(8, -1, 8, 4);
    e[1] = 'Y';
    add("bad magic is reported before the version", std::move(e), TBlowfish::ErrNoMagic);
  }
  add("version 4", Envelope(8, -1, 8, 4), TBlowfish::ErrOldVersion);
  add("version 0x80 reads as negative", Envelope(8, -1, 8, static_cast<std::int8_t>(0x80)), TBlowfish::ErrOldVersion);
  add("version 6 accepted", Envelope(8, -1, 8, 6), 0);
  add("old version reported before a hostile length", Envelope(UINT32_MAX, 3, 8, 4), TBlowfish::ErrOldVersion);
  add("data length above 51200, compressed", Envelope(51201, 0, 8), TBlowfish::ErrBadLength);
  add("data length 2^32-1, plain", Envelope(UINT32_MAX, -1, 0), TBlowfish::ErrBadLength);
  add("plain data longer than the body", Envelope(17, -1, 16), TBlowfish::ErrBadLength);
  add("plain body longer than the padded data", Envelope(1, -1, 16), TBlowfish::ErrBadLength);
  add("marker 8", Envelope(8, 8, 8), TBlowfish::ErrBadLength);
  add("marker -2", Envelope(8, -2, 8), TBlowfish::ErrBadLength);
  add("marker INT_MIN", Envelope(8, INT_MIN, 8), TBlowfish::ErrBadLength);
  add("compressed marker with empty body", Envelope(8, 0, 0), TBlowfish::ErrBadLength);
  return cases;
}

TEST(CheckEnvelope, FollowsTheReadersOrderOfChecks) {
  for (const StructureCase& c : StructureCases()) {
    Header h{};
    EXPECT_EQ(check_envelope(c.envelope.data(), c.length, &h), c.code) << c.name;
    if (c.length >= 28) {
      EXPECT_EQ(h.data_length, qx::envelope::read_header(c.envelope.data()).data_length) << c.name;
    }
    EXPECT_EQ(check_envelope(c.envelope.data(), c.length, nullptr), c.code) << c.name;
  }
}

TEST(CheckEnvelope, LengthIsCheckedBeforeTheSourceAndHeaderIsLeftAloneWhenUnreadable) {
  Header untouched{1, 2, 3, 4};
  EXPECT_EQ(check_envelope(nullptr, 51229, &untouched), TBlowfish::ErrTooLong);
  EXPECT_EQ(check_envelope(nullptr, 28, &untouched), TBlowfish::ErrNullSource);
  const Bytes short_input(27, 0);
  EXPECT_EQ(check_envelope(short_input.data(), 27, &untouched), TBlowfish::ErrBadLength);
  EXPECT_EQ(untouched.data_length, 1u);
  EXPECT_EQ(untouched.marker, 4);
}

}  // namespace
