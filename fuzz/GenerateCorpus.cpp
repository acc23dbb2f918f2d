// Writes the seed corpora of the fuzz harnesses: envelopes of many shapes built from the cipher's building
// blocks and zlib (not by the writer under test), compressed bodies, round-trip inputs, form text and
// differential inputs.
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Blowfish.h"
#include "envelope/BodyTransform.h"
#include "envelope/Format.h"
#include "vcl/ClassRegistry.h"
#include "vcl/FormText.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;
namespace env = qx::envelope;

// ---- data shapes ------------------------------------------------------------------------------------------

Bytes zeros(std::size_t n) { return Bytes(n, 0); }

Bytes text(std::size_t n) {
  static const char kSentence[] = "The quick brown fox jumps over the lazy dog; envelopes keep their data. ";
  Bytes out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(kSentence[i % (sizeof kSentence - 1)]);
  return out;
}

// Deterministic on every platform: mt19937 is fully specified by the standard.
Bytes random_bytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng() >> 24);
  return out;
}

Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// ---- envelope construction ------------------------------------------------------------------------------

// The zlib stream of `plain` at the default level, as the compression stage makes it.
Bytes zlib_stream(const Bytes& plain) {
  uLongf bound = compressBound(static_cast<uLong>(plain.size()));
  Bytes out(bound);
  if (compress2(out.data(), &bound, plain.data(), static_cast<uLong>(plain.size()), Z_DEFAULT_COMPRESSION) != Z_OK) {
    std::fprintf(stderr, "compress2 failed\n");
    std::exit(1);
  }
  out.resize(bound);
  return out;
}

Bytes padded_plain(const Bytes& data) {
  Bytes plain = data;
  plain.resize(static_cast<std::size_t>(env::padded_length(static_cast<std::uint32_t>(data.size()))), 0);
  return plain;
}

struct Built {
  Bytes envelope;
  std::int32_t marker;
};

// An envelope of `data` under `cipher`'s key state; compressed only when that makes the body shorter.
Built build_envelope(const TBlowfish& cipher, const Bytes& data, bool checksum, bool compress) {
  Bytes body = padded_plain(data);
  std::int32_t marker = env::kPlainMarker;
  if (compress) {
    Bytes stream = zlib_stream(body);
    const std::size_t filler = (env::kBlockSize - stream.size() % env::kBlockSize) % env::kBlockSize;
    if (stream.size() + filler < body.size()) {
      stream.resize(stream.size() + filler, 0);
      body = std::move(stream);
      marker = static_cast<std::int32_t>(filler);
    }
  }
  env::encipher_body(cipher, body.data(), body.size());
  Bytes out(env::kHeaderSize, 0);
  std::memcpy(out.data() + env::kMagicOffset, env::kMagic, sizeof env::kMagic);
  env::store_le32(out.data() + env::kDataLengthOffset, static_cast<std::uint32_t>(data.size()));
  out[env::kVersionOffset] = static_cast<std::uint8_t>(env::kVersion);
  env::store_le32(out.data() + env::kChecksumOffset,
                  checksum ? cipher.CRC(data.data(), static_cast<std::uint32_t>(data.size())) : 0u);
  env::store_le32(out.data() + env::kMarkerOffset, static_cast<std::uint32_t>(marker));
  out.insert(out.end(), body.begin(), body.end());
  return {std::move(out), marker};
}

// ---- output ---------------------------------------------------------------------------------------------

class Corpus {
 public:
  explicit Corpus(fs::path dir) : dir_(std::move(dir)) { fs::create_directories(dir_); }
  void add(const std::string& name, const Bytes& bytes) {
    std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", (dir_ / name).c_str());
      std::exit(1);
    }
    ++count_;
  }
  [[nodiscard]] int count() const { return count_; }

 private:
  fs::path dir_;
  int count_ = 0;
};

Bytes with_le32(Bytes envelope, std::size_t offset, std::uint32_t value) {
  env::store_le32(envelope.data() + offset, value);
  return envelope;
}

// ---- the three corpora ----------------------------------------------------------------------------------

void reader_corpus(Corpus& c) {
  TBlowfish keyed(nullptr);  // the factory default key, which the reader harness also uses
  if (!keyed.InitializeKey()) std::exit(1);
  TBlowfish unkeyed(nullptr);

  for (std::size_t n : {0, 1, 7, 8, 9, 16, 17, 100, 1000}) {
    const std::string len = std::to_string(n);
    c.add("plain-text-" + len, build_envelope(keyed, text(n), false, false).envelope);
    // A set reserved byte 3 changes nothing for the reader; the reader harness reads these in Text mode.
    Bytes with_reserved = build_envelope(keyed, text(n), true, false).envelope;
    with_reserved[3] = 1;
    c.add("plain-text-crc-reserved-" + len, with_reserved);
    const Built z = build_envelope(keyed, text(n), true, true);
    if (z.marker != env::kPlainMarker) c.add("zlib-text-crc-" + len, z.envelope);
  }
  for (std::size_t n : {5, 64, 300}) {
    c.add("plain-random-crc-" + std::to_string(n), build_envelope(keyed, random_bytes(n, 1), true, true).envelope);
  }
  // Bodies around the 4096-byte staging size of the compression stage.
  for (std::size_t n : {4095, 4096, 4097, 8192}) {
    c.add("zlib-zeros-" + std::to_string(n), build_envelope(keyed, zeros(n), false, true).envelope);
    c.add("zlib-text-crc-" + std::to_string(n), build_envelope(keyed, text(n), true, true).envelope);
  }
  // Every filler count 0..7 after the stream.
  bool have_filler[8] = {};
  for (std::size_t n = 40; n < 400; ++n) {
    Bytes data = concat(text(n / 2), random_bytes(n / 8, static_cast<std::uint32_t>(n)));
    const Built b = build_envelope(keyed, data, true, true);
    if (b.marker >= 0 && !have_filler[b.marker]) {
      have_filler[b.marker] = true;
      c.add("zlib-filler-" + std::to_string(b.marker), b.envelope);
    }
  }
  // The all-zero key state of an object that never ran a key schedule.
  c.add("unkeyed-plain-abcdefgh",
        build_envelope(unkeyed, Bytes{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}, false, false).envelope);
  c.add("unkeyed-zlib-text-crc-500", build_envelope(unkeyed, text(500), true, true).envelope);
  // The largest envelopes: all data compressible, and a plain body of the full MaxData.
  c.add("zlib-zeros-51200", build_envelope(keyed, zeros(TBlowfish::MaxData), true, true).envelope);
  c.add("plain-random-51200", build_envelope(keyed, random_bytes(TBlowfish::MaxData, 2), true, false).envelope);
  // A stream carrying a stored block longer than two staging areas.
  c.add("zlib-stored-block", build_envelope(keyed, concat(zeros(2000), random_bytes(20000, 3)), true, true).envelope);

  // Damaged and contradictory envelopes, each made from a valid one.
  const Bytes good = build_envelope(keyed, text(40), true, false).envelope;
  const Bytes good_zlib = build_envelope(keyed, text(400), true, true).envelope;
  Bytes bad = good;
  bad[1] = 'Y';
  c.add("bad-magic", bad);
  bad = good;
  bad[2] = ' ';
  c.add("bad-magic-terminator", bad);
  for (std::uint8_t version : {0x04, 0x06, 0x7F, 0x80, 0xFF}) {
    bad = good;
    bad[env::kVersionOffset] = version;
    c.add("version-" + std::to_string(version), bad);
  }
  c.add("header-only-27", Bytes(good.begin(), good.begin() + 27));
  c.add("short-20", Bytes(good.begin(), good.begin() + 20));
  c.add("body-not-whole-blocks", Bytes(good.begin(), good.end() - 3));
  c.add("plain-length-too-big", with_le32(good, env::kDataLengthOffset, 41));
  c.add("length-above-maxdata", with_le32(good_zlib, env::kDataLengthOffset, TBlowfish::MaxData + 1));
  c.add("length-all-ones", with_le32(good_zlib, env::kDataLengthOffset, 0xFFFFFFFFu));
  c.add("marker-8", with_le32(good_zlib, env::kMarkerOffset, 8));
  c.add("marker-minus-2", with_le32(good_zlib, env::kMarkerOffset, 0xFFFFFFFEu));
  c.add("marker-on-plain-body", with_le32(good, env::kMarkerOffset, 0));
  c.add("zlib-empty-body", with_le32(Bytes(good.begin(), good.begin() + env::kHeaderSize), env::kMarkerOffset, 0));
  c.add("checksum-wrong", with_le32(good, env::kChecksumOffset, 12345));
  bad = good_zlib;
  bad[env::kHeaderSize + 3] ^= 0x40;
  c.add("zlib-body-damaged", bad);
  c.add("zlib-body-truncated", Bytes(good_zlib.begin(), good_zlib.end() - 8));
}

// Decompress input: marker (le32), data length (le32), body.
Bytes decompress_input(std::int32_t marker, std::uint32_t data_length, const Bytes& body) {
  Bytes out(8);
  env::store_le32(out.data(), static_cast<std::uint32_t>(marker));
  env::store_le32(out.data() + 4, data_length);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

void decompress_corpus(Corpus& c) {
  const auto add = [&](const std::string& name, const Bytes& data) {
    const Bytes plain = padded_plain(data);
    Bytes stream = zlib_stream(plain);
    const std::size_t filler = (env::kBlockSize - stream.size() % env::kBlockSize) % env::kBlockSize;
    stream.resize(stream.size() + filler, 0xA5);
    c.add(name, decompress_input(static_cast<std::int32_t>(filler), static_cast<std::uint32_t>(data.size()), stream));
    return stream;
  };
  add("empty", {});
  add("text-100", text(100));
  add("text-4095", text(4095));
  for (std::size_t n : {4095, 4096, 4097, 8192}) add("zeros-" + std::to_string(n), zeros(n));
  add("zeros-51200", zeros(TBlowfish::MaxData));
  add("random-300", random_bytes(300, 4));
  // 2000 zero bytes and then random data: a stored block in which a whole 4096-byte input chunk inflates to
  // exactly 4096 bytes, after which zlib reports that it cannot progress.
  add("stored-block", concat(zeros(2000), random_bytes(40000, 5)));
  const Bytes stream = add("text-1000", text(1000));
  c.add("marker-minus-1", decompress_input(-1, 1000, stream));
  c.add("marker-8", decompress_input(8, 1000, stream));
  c.add("length-short", decompress_input(static_cast<std::int32_t>(stream.size() % 8), 999, stream));
  c.add("length-long", decompress_input(0, 1100, stream));
  c.add("truncated", decompress_input(0, 1000, Bytes(stream.begin(), stream.end() - 8)));
  c.add("not-whole-blocks", decompress_input(0, 1000, Bytes(stream.begin(), stream.end() - 1)));
  c.add("trailing-block", decompress_input(0, 1000, concat(stream, zeros(8))));
}

// Key text of `n` bytes, any byte but zero.
std::string random_string_key(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::string out(n, ' ');
  for (auto& ch : out) ch = static_cast<char>(1 + rng() % 255);
  return out;
}

// Round-trip input: flags, key length, key, data (see RoundTripHarness.cpp for the flag bits).
Bytes round_trip_input(std::uint8_t flags, const std::string& key, const Bytes& data) {
  Bytes out{flags, static_cast<std::uint8_t>(key.size())};
  out.insert(out.end(), key.begin(), key.end());
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

void round_trip_corpus(Corpus& c) {
  const std::string key = TBlowfish::DefaultKey;
  // Flags: 1 checksum, 2 compress, 4 seal auto, 8 open auto, 16 text, 32 unkeyed.
  for (std::uint8_t flags : {0x00, 0x03, 0x0F, 0x1B, 0x20, 0x33}) {
    const std::string f = std::to_string(flags);
    c.add("flags-" + f + "-text-100", round_trip_input(flags, key, text(100)));
    c.add("flags-" + f + "-empty", round_trip_input(flags, key, {}));
  }
  c.add("compress-zeros-4096", round_trip_input(0x03, key, zeros(4096)));
  c.add("compress-random-1000", round_trip_input(0x07, key, random_bytes(1000, 6)));
  c.add("compress-mixed-9000", round_trip_input(0x0B, key, concat(zeros(5000), random_bytes(4000, 7))));
  c.add("compress-zeros-51200", round_trip_input(0x03, key, zeros(TBlowfish::MaxData)));
  c.add("key-empty", round_trip_input(0x0D, "", text(30)));
  c.add("key-56", round_trip_input(0x0D, std::string(56, 'k'), text(30)));
  c.add("key-57", round_trip_input(0x0D, std::string(57, 'k'), text(30)));
  c.add("key-zero-inside", round_trip_input(0x0D, std::string("ab\0cd", 5), text(30)));
}

// Form text seeds: trees written by the form writer, plus hand-made variants the reader must handle.
void form_text_corpus(Corpus& c) {
  RegisterClass(TBlowfish::MetaClass());
  const auto add_text = [&](const std::string& name, const std::string& text) {
    c.add(name, Bytes(text.begin(), text.end()));
  };

  TBlowfish single(nullptr);
  single.Name = "Blowfish1";
  add_text("single-default", WriteComponentText(single));

  TComponent form(nullptr);
  form.Name = "Form1";
  auto* plain = new TBlowfish(&form);
  plain->Name = "Cipher1";
  auto* changed = new TBlowfish(&form);
  changed->Name = "Cipher2";
  changed->Tag = -2147483647 - 1;
  std::string every_byte;
  for (int b = 0; b < 256; b += 7) every_byte += static_cast<char>(b);
  changed->Key = every_byte;
  changed->Crc_Check = true;
  changed->Compression = true;
  auto* unnamed = new TBlowfish(&form);
  unnamed->Key = "";
  unnamed->Tag = 2147483647;
  const std::string two = WriteComponentText(form);
  add_text("form-three-ciphers", two);

  std::string crlf;
  for (const char ch : two) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  add_text("form-crlf", crlf);
  std::string loose;
  for (const char ch : two) loose += ch == '\n' ? std::string("\n\n") : std::string(1, ch);
  add_text("form-blank-lines", loose);

  TComponent outer(nullptr);
  outer.Name = "Outer";
  TComponent* parent = &outer;
  for (int depth = 2; depth <= 6; ++depth) {
    parent = new TComponent(parent);
    parent->Name = "Level" + std::to_string(depth);
  }
  auto* deep = new TBlowfish(parent);
  deep->Name = "Deep";
  deep->Key = std::string(56, 'k');
  add_text("nested-6", WriteComponentText(outer));

  std::string too_deep;
  for (int depth = 0; depth < 33; ++depth) too_deep += "object C" + std::to_string(depth) + ": TComponent\n";
  for (int depth = 0; depth < 33; ++depth) too_deep += "end\n";
  add_text("nested-33", too_deep);
  add_text("missing-end", "object A: TBlowfish\n  Key = 'x'\n");
  add_text("unknown-class", "object A: TNoSuchClass\nend\n");
  add_text("unknown-property", "object A: TBlowfish\n  Colour = 3\nend\n");
  add_text("property-twice", "object A: TBlowfish\n  Tag = 1\n  Tag = 2\nend\n");
  add_text("text-after-root", "object A: TBlowfish\nend\nobject B: TBlowfish\nend\n");
  add_text("duplicate-names",
           "object F: TComponent\n  object A: TBlowfish\n  end\n  object A: TBlowfish\n  end\nend\n");
  add_text("tag-out-of-range", "object A: TBlowfish\n  Tag = 2147483648\nend\n");
  add_text("bad-string", "object A: TBlowfish\n  Key = 'open\nend\n");
}

// Inspect seeds: a few envelopes of each verdict (the reader's seeds are used as well).
void inspect_corpus(Corpus& c) {
  TBlowfish keyed(nullptr);
  if (!keyed.InitializeKey()) std::exit(1);
  const Bytes good = build_envelope(keyed, text(50), true, false).envelope;
  c.add("empty", {});
  c.add("header-27", Bytes(good.begin(), good.begin() + 27));
  c.add("plain-crc-50", good);
  c.add("zlib-crc-600", build_envelope(keyed, text(600), true, true).envelope);
  Bytes bad = good;
  bad[env::kVersionOffset] = 0x90;
  c.add("version-negative", bad);
  c.add("marker-9", with_le32(good, env::kMarkerOffset, 9));
  c.add("length-huge", with_le32(good, env::kDataLengthOffset, 0xFFFFFFF9u));
  bad = good;
  bad[0] = 0x1B;  // an escape character where the magic belongs must not reach a terminal raw
  c.add("magic-escape", bad);
}

// Differential input: flags, key length, quirk share, key, data (see DifferentialHarness.cpp). Flag bits 0-1 the
// key condition (0 none, 1 ResetBox, 2 InitializeKey, 3 IniitializeBlowfish), 2-3 the prior state (0 fresh,
// 1 default key, 2 ResetBox, 3 reversed key), 4 quirk-heavy checksum variant, 5-7 buffer skew.
Bytes differential_input(std::uint8_t flags, const std::string& key, std::uint8_t quirk_share, const Bytes& data) {
  Bytes out{flags, static_cast<std::uint8_t>(key.size()), quirk_share};
  out.insert(out.end(), key.begin(), key.end());
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

void differential_corpus(Corpus& c) {
  constexpr std::uint8_t kNone = 0, kResetBox = 1, kInitializeKey = 2, kDirect = 3;
  constexpr std::uint8_t kPriorDefault = 1 << 2, kPriorResetBox = 2 << 2, kPriorReversed = 3 << 2;
  constexpr std::uint8_t kQuirk = 1 << 4;
  const auto skew = [](unsigned s) { return static_cast<std::uint8_t>(s << 5); };
  const std::string key = TBlowfish::DefaultKey;
  c.add("empty", {});
  c.add("fresh-data-40", differential_input(kNone, "", 0, random_bytes(40, 8)));
  c.add("reset-box-data-24", differential_input(kResetBox | kPriorDefault, "", 0, random_bytes(24, 9)));
  c.add("key-short-data-8", differential_input(kInitializeKey, "k", 0, random_bytes(8, 10)));
  c.add("key-default-data-0", differential_input(kInitializeKey | kPriorResetBox, key, 0, {}));
  c.add("key-default-data-32-skew-3", differential_input(kInitializeKey | skew(3), key, 0, random_bytes(32, 11)));
  c.add("key-56-data-100", differential_input(kInitializeKey | kPriorReversed, std::string(56, 'k'), 0, text(100)));
  // Over-long keys are refused and leave the prior state: the default key's, and the initial tables.
  c.add("key-57-data-40", differential_input(kInitializeKey | kPriorDefault, std::string(57, 'k'), 0, text(40)));
  c.add("key-63-direct-data-24",
        differential_input(kDirect | kPriorResetBox, random_string_key(63, 12), 0, random_bytes(24, 13)));
  // A zero byte ends the key text for InitializeKey; the direct schedule takes every byte.
  c.add("key-zero-inside-data-33", differential_input(kInitializeKey, std::string("ab\0cd", 5), 0, text(33)));
  c.add("direct-zero-inside-data-100-skew-5",
        differential_input(kDirect | skew(5), std::string("ab\0cd", 5), 0, random_bytes(100, 14)));
  c.add("direct-56-data-4096-quirk", differential_input(kDirect | kPriorDefault | kQuirk | skew(1),
                                                        random_string_key(56, 15), 100, random_bytes(4096, 16)));
  c.add("reversed-prior-data-104-quirk-all",
        differential_input(kNone | kPriorReversed | kQuirk, "reversed", 255, random_bytes(104, 17)));
  c.add("fresh-zeros-4100-quirk", differential_input(kNone | kQuirk | skew(7), "", 30, zeros(4100)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus-dir>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  Corpus reader(root / "reader");
  Corpus decompress(root / "decompress");
  Corpus round_trip(root / "round_trip");
  Corpus form_text(root / "form_text");
  Corpus inspect(root / "inspect");
  Corpus differential(root / "differential");
  reader_corpus(reader);
  decompress_corpus(decompress);
  round_trip_corpus(round_trip);
  form_text_corpus(form_text);
  inspect_corpus(inspect);
  differential_corpus(differential);
  std::printf("reader %d, decompress %d, round_trip %d, form_text %d, inspect %d, differential %d seeds in %s\n",
              reader.count(), decompress.count(), round_trip.count(), form_text.count(), inspect.count(),
              differential.count(), root.c_str());
  return 0;
}
