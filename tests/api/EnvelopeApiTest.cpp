// qx::seal, qx::open and qx::inspect: key modes, options, failures as qx::Error, and agreement with TBlowfish.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Blowfish.h"
#include "api/Envelope.h"
#include "envelope/Format.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes text_bytes(std::string_view s) { return {s.begin(), s.end()}; }

Bytes random_bytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

Bytes compressible_bytes(std::size_t n) {
  static constexpr std::string_view kPhrase = "a stored record, a stored record, another stored record; ";
  Bytes out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(kPhrase[i % kPhrase.size()]);
  return out;
}

int error_code_of(auto&& action) {
  try {
    action();
  } catch (const qx::Error& e) {
    return e.code();
  }
  return TBlowfish::ErrNone;
}

struct KeyCase {
  const char* name;
  qx::Key key;
};

std::vector<KeyCase> key_cases() {
  return {{"text", qx::Key::text("correct horse battery staple")},
          {"empty text", qx::Key::text("")},
          {"56-byte text", qx::Key::text(std::string(56, 'k'))},
          {"factory default", qx::Key::factory_default()},
          {"unkeyed", qx::Key::unkeyed()}};
}

// Every key mode with every option, over lengths around the block size, a compressible record and the limit.
TEST(SealOpen, RoundTripsEveryKeyModeAndOption) {
  const std::vector<Bytes> inputs = {{},
                                     text_bytes("x"),
                                     text_bytes("abcdefgh"),
                                     text_bytes("abcdefghi"),
                                     compressible_bytes(1000),
                                     random_bytes(TBlowfish::MaxData, 7)};
  for (const auto& [name, key] : key_cases()) {
    for (const bool checksum : {false, true}) {
      for (const bool compress : {false, true}) {
        for (const auto& data : inputs) {
          SCOPED_TRACE(testing::Message()
                       << name << " checksum=" << checksum << " compress=" << compress << " size=" << data.size());
          const Bytes envelope = qx::seal(data, key, {.checksum = checksum, .compress = compress});
          EXPECT_EQ(qx::open(envelope, key), data);
          Bytes text = qx::open(envelope, key, {.text = true});
          ASSERT_EQ(text.size(), data.size() + 1);
          EXPECT_EQ(text.back(), 0);
          text.pop_back();
          EXPECT_EQ(text, data);
        }
      }
    }
  }
}

// The API must produce exactly what the component produces for the same key choice, since both sides of a
// migration read the same stored envelopes.
TEST(SealOpen, MatchesTheComponentByteForByte) {
  const Bytes data = compressible_bytes(777);
  auto component_envelope = [&](TBlowfish& cipher, bool auto_mode) {
    cipher.Crc_Check = true;
    cipher.Compression = true;
    std::uint32_t length = 0;
    std::unique_ptr<unsigned char, decltype(&std::free)> raw(
        auto_mode ? cipher.Auto_Encipher(data.data(), static_cast<std::uint32_t>(data.size()), &length)
                  : cipher.Encipher(data.data(), static_cast<std::uint32_t>(data.size()), &length),
        &std::free);
    EXPECT_NE(raw, nullptr);
    return Bytes(raw.get(), raw.get() + length);
  };
  const qx::SealOptions options{.checksum = true, .compress = true};

  TBlowfish with_text(nullptr);
  with_text.Key = "a key of our own";
  EXPECT_EQ(qx::seal(data, qx::Key::text("a key of our own"), options), component_envelope(with_text, true));

  TBlowfish never_keyed(nullptr);  // keeps its factory default Key
  EXPECT_EQ(qx::seal(data, qx::Key::factory_default(), options), component_envelope(never_keyed, true));

  TBlowfish fresh(nullptr);  // explicit entry point before any key schedule: the all-zero key state
  EXPECT_EQ(qx::seal(data, qx::Key::unkeyed(), options), component_envelope(fresh, false));
}

// Known answer for the all-zero key state of a fresh object: "abcdefgh" enciphers to 04 04 04 0C 9D 18 7C 68.
TEST(SealOpen, UnkeyedUsesTheAllZeroKeyState) {
  const Bytes envelope = qx::seal(text_bytes("abcdefgh"), qx::Key::unkeyed());
  ASSERT_EQ(envelope.size(), qx::envelope::kHeaderSize + 8);
  const Bytes body(envelope.begin() + qx::envelope::kHeaderSize, envelope.end());
  EXPECT_EQ(body, (Bytes{0x04, 0x04, 0x04, 0x0C, 0x9D, 0x18, 0x7C, 0x68}));
}

TEST(SealOpen, KeyModesAreDistinct) {
  const Bytes data = text_bytes("eight by");
  const Bytes unkeyed = qx::seal(data, qx::Key::unkeyed());
  const Bytes factory = qx::seal(data, qx::Key::factory_default());
  EXPECT_EQ(factory, qx::seal(data, qx::Key::text(TBlowfish::DefaultKey)));
  EXPECT_NE(unkeyed, factory);
  EXPECT_NE(factory, qx::seal(data, qx::Key::text("")));
}

// A key text ends at its first zero byte, as in the component: stored envelopes were keyed that way.
TEST(SealOpen, KeyTextEndsAtItsFirstZeroByte) {
  const Bytes data = text_bytes("zero byte in the key");
  using namespace std::string_literals;
  const Bytes envelope = qx::seal(data, qx::Key::text("abc\0def"s), {.checksum = true});
  EXPECT_EQ(qx::open(envelope, qx::Key::text("abc")), data);
  // Only the text before the zero byte counts towards the length limit.
  EXPECT_NO_THROW(static_cast<void>(qx::seal(data, qx::Key::text("k\0"s + std::string(80, 'x')))));
}

TEST(SealOpen, FailuresCarryTheComponentCode) {
  const Bytes data = text_bytes("some data to protect");
  const Bytes sealed_crc = qx::seal(data, qx::Key::text("right"), {.checksum = true});
  Bytes bad_magic = sealed_crc;
  bad_magic[1] = 'Y';
  Bytes old_version = sealed_crc;
  old_version[qx::envelope::kVersionOffset] = 4;
  Bytes torn_body = sealed_crc;
  torn_body.pop_back();

  struct Case {
    const char* what;
    std::function<void()> action;
    int code;
  };
  const qx::Key too_long = qx::Key::text(std::string(57, 'k'));
  const Case cases[] = {
      {"wrong key, checksum stored", [&] { static_cast<void>(qx::open(sealed_crc, qx::Key::text("wrong"))); },
       TBlowfish::ErrChecksum},
      {"unkeyed on a keyed envelope", [&] { static_cast<void>(qx::open(sealed_crc, qx::Key::unkeyed())); },
       TBlowfish::ErrChecksum},
      {"57-byte key, seal", [&] { static_cast<void>(qx::seal(data, too_long)); }, TBlowfish::ErrKeyTooLong},
      {"57-byte key, open", [&] { static_cast<void>(qx::open(sealed_crc, too_long)); }, TBlowfish::ErrKeyTooLong},
      {"57-byte key, check", [&] { too_long.check(); }, TBlowfish::ErrKeyTooLong},
      {"data over the limit", [&] { static_cast<void>(qx::seal(Bytes(TBlowfish::MaxData + 1), qx::Key::unkeyed())); },
       TBlowfish::ErrTooLong},
      {"empty envelope", [&] { static_cast<void>(qx::open(Bytes{}, qx::Key::unkeyed())); }, TBlowfish::ErrBadLength},
      {"torn body", [&] { static_cast<void>(qx::open(torn_body, qx::Key::text("right"))); }, TBlowfish::ErrBadLength},
      {"bad magic", [&] { static_cast<void>(qx::open(bad_magic, qx::Key::text("right"))); }, TBlowfish::ErrNoMagic},
      {"old version", [&] { static_cast<void>(qx::open(old_version, qx::Key::text("right"))); },
       TBlowfish::ErrOldVersion},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(error_code_of(c.action), c.code) << c.what;
  }
  EXPECT_NO_THROW(qx::Key::text(std::string(56, 'k')).check());
  EXPECT_NO_THROW(qx::Key::unkeyed().check());
}

// Without a checksum a wrong key goes unnoticed: the caller gets bytes of the right length.
TEST(SealOpen, WrongKeyWithoutChecksumIsNotDetected) {
  const Bytes data = text_bytes("no checksum stored here");
  const Bytes envelope = qx::seal(data, qx::Key::text("right"));
  const Bytes opened = qx::open(envelope, qx::Key::text("wrong"));
  EXPECT_EQ(opened.size(), data.size());
  EXPECT_NE(opened, data);
}

TEST(Inspect, ReportsTheHeaderFields) {
  const Bytes data = compressible_bytes(4000);
  const Bytes plain = qx::seal(data, qx::Key::unkeyed());
  const Bytes full = qx::seal(data, qx::Key::unkeyed(), {.checksum = true, .compress = true});

  const qx::EnvelopeInfo p = qx::inspect(plain);
  EXPECT_TRUE(p.header_complete);
  EXPECT_TRUE(p.magic_ok);
  EXPECT_EQ(p.version, 5);
  EXPECT_EQ(p.data_length, data.size());
  EXPECT_FALSE(p.has_checksum());
  EXPECT_FALSE(p.compressed());
  EXPECT_EQ(p.body_length, 4000u);
  EXPECT_EQ(p.envelope_length, plain.size());
  EXPECT_TRUE(p.structure_ok());

  const qx::EnvelopeInfo f = qx::inspect(full);
  EXPECT_TRUE(f.has_checksum());
  EXPECT_TRUE(f.compressed());
  EXPECT_GE(f.marker, 0);
  EXPECT_LE(f.marker, 7);
  EXPECT_EQ(f.data_length, data.size());
  EXPECT_EQ(f.body_length + qx::envelope::kHeaderSize, full.size());
  EXPECT_LT(f.body_length, 4000u);
  EXPECT_EQ(f.body_length % 8, 0u);
  EXPECT_TRUE(f.structure_ok());
}

// inspect's verdict is the reader's: for each damaged envelope, the code inspect reports is the code open fails
// with (with the right key, so only structure can fail).
TEST(Inspect, AgreesWithTheReader) {
  const qx::Key key = qx::Key::text("k");
  const Bytes good = qx::seal(text_bytes("twelve bytes"), key, {.checksum = true});
  auto changed = [&](std::size_t offset, std::uint8_t value) {
    Bytes b = good;
    b[offset] = value;
    return b;
  };
  const std::vector<std::pair<const char*, Bytes>> envelopes = {
      {"good", good},
      {"empty", {}},
      {"20 bytes", Bytes(good.begin(), good.begin() + 20)},
      {"header only", Bytes(good.begin(), good.begin() + 28)},
      {"body not whole blocks", Bytes(good.begin(), good.end() - 3)},
      {"magic Q", changed(1, 0)},
      {"magic without zero", changed(2, '!')},
      {"version 4", changed(qx::envelope::kVersionOffset, 4)},
      {"version 0x80", changed(qx::envelope::kVersionOffset, 0x80)},
      {"version 6", changed(qx::envelope::kVersionOffset, 6)},
      {"reserved byte", changed(3, 0xAA)},
      {"data length too big", changed(qx::envelope::kDataLengthOffset + 2, 0x01)},
      {"marker 9", changed(qx::envelope::kMarkerOffset, 9)},
      {"over the reader's limit", Bytes(60000)},
  };
  for (const auto& [what, envelope] : envelopes) {
    const qx::EnvelopeInfo info = qx::inspect(envelope);
    const int open_code = error_code_of([&] { static_cast<void>(qx::open(envelope, key)); });
    EXPECT_EQ(info.structure_code, open_code) << what;
    EXPECT_EQ(info.header_complete, envelope.size() >= qx::envelope::kHeaderSize) << what;
  }
}

TEST(Key, CopiesAndMovesKeepTheKey) {
  const Bytes data = text_bytes("carried keys");
  qx::Key original = qx::Key::text("carried");
  const Bytes envelope = qx::seal(data, original, {.checksum = true});

  qx::Key copy = original;
  EXPECT_EQ(qx::open(envelope, copy), data);
  qx::Key moved = std::move(copy);
  EXPECT_EQ(qx::open(envelope, moved), data);
  EXPECT_TRUE(copy.key_text().empty());  // NOLINT(bugprone-use-after-move): the source is wiped on purpose

  qx::Key assigned = qx::Key::unkeyed();
  assigned = moved;
  EXPECT_FALSE(assigned.is_unkeyed());
  EXPECT_EQ(qx::open(envelope, assigned), data);
  assigned = qx::Key::unkeyed();
  EXPECT_TRUE(assigned.is_unkeyed());
  EXPECT_TRUE(assigned.key_text().empty());
}

}  // namespace
