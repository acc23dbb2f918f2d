// Fuzz harness for the envelope reader: any bytes, read through its entry points under a fixed key and under
// the all-zero key state of an object that never ran a key schedule.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "Blowfish.h"
#include "envelope/BodyTransform.h"
#include "envelope/Format.h"
#include "fuzz/Check.h"
#include "fuzz/EnvelopeVerdict.h"
#include "fuzz/Harnesses.h"
#include "fuzz/ReferenceInflate.h"

namespace qx::fuzz {
namespace {

using envelope::kBlockSize;
using envelope::kHeaderSize;
using envelope::load_le32;

using ReadEntry = unsigned char* (TBlowfish::*)(const unsigned char*, std::uint32_t, std::uint32_t*);

struct ReadOutcome {
  unsigned char* data = nullptr;  // malloc'd by the reader, freed by the caller
  std::uint32_t length = 0;
  int code = 0;
};

// What a sound reader must return for a structurally valid envelope under `cipher`'s key state: the data, or
// nothing when the body is compressed and does not inflate to (at least a prefix of) the data. `exact` is
// false where the compressed stream is short or followed by extra bytes, cases the reader may fail or accept.
struct ExpectedData {
  bool readable = true;
  bool exact = true;
  std::vector<std::uint8_t> data;  // for an inexact expectation, the prefix that must match
};

ExpectedData expected_data(const TBlowfish& cipher, const std::uint8_t* env, std::size_t size) {
  ExpectedData expected;
  const std::uint32_t data_length = load_le32(env + envelope::kDataLengthOffset);
  const auto marker = static_cast<std::int32_t>(load_le32(env + envelope::kMarkerOffset));
  std::vector<std::uint8_t> body(env + kHeaderSize, env + size);
  envelope::decipher_body(cipher, body.data(), body.size());
  if (marker == envelope::kPlainMarker) {
    expected.data.assign(body.begin(), body.begin() + data_length);
    return expected;
  }
  const auto padded = static_cast<std::size_t>(envelope::padded_length(data_length));
  const std::size_t stream_length = body.size() - static_cast<std::size_t>(marker);
  InflateReference inflated = reference_inflate(body.data(), stream_length, padded);
  switch (inflated.end) {
    case InflateEnd::kError:
    case InflateEnd::kOverflow:
      expected.readable = false;
      return expected;
    case InflateEnd::kStreamEnd:
    case InflateEnd::kInputExhausted:
      expected.exact =
          inflated.end == InflateEnd::kStreamEnd && inflated.output.size() == padded && inflated.unused_input == 0;
      break;
  }
  if (inflated.output.size() > data_length) inflated.output.resize(data_length);
  if (inflated.output.size() < data_length) expected.exact = false;
  expected.data = std::move(inflated.output);
  return expected;
}

ReadOutcome read(TBlowfish& cipher, ReadEntry entry, const std::uint8_t* env, std::size_t size) {
  ReadOutcome outcome;
  outcome.data = (cipher.*entry)(env, static_cast<std::uint32_t>(size), &outcome.length);
  outcome.code = cipher.GetErrorCode();
  return outcome;
}

bool same_outcome(const ReadOutcome& a, const ReadOutcome& b) {
  if ((a.data == nullptr) != (b.data == nullptr) || a.code != b.code) return false;
  if (a.data == nullptr) return true;
  return a.length == b.length && (a.length == 0 || std::memcmp(a.data, b.data, a.length) == 0);
}

// Checks one read against the independent verdict and, for a successful one, its data and the text-mode zero.
void check_read(const ReadOutcome& outcome, bool text_mode, int structure_code, const ExpectedData* expected,
                const std::uint8_t* env) {
  if (structure_code != TBlowfish::ErrNone) {
    QX_FUZZ_CHECK(outcome.data == nullptr);
    QX_FUZZ_CHECK(outcome.code == structure_code);
    return;
  }
  if (outcome.data == nullptr) {
    // Past the structural checks only an allocation, the checksum or the compressed body can fail.
    QX_FUZZ_CHECK(outcome.code == TBlowfish::ErrNoMemory || outcome.code == TBlowfish::ErrChecksum ||
                  outcome.code == TBlowfish::ErrDecompressInit || outcome.code == TBlowfish::ErrDecompress);
    if (outcome.code == TBlowfish::ErrDecompressInit || outcome.code == TBlowfish::ErrDecompress) {
      QX_FUZZ_CHECK(static_cast<std::int32_t>(load_le32(env + envelope::kMarkerOffset)) != envelope::kPlainMarker);
    }
    if (outcome.code == TBlowfish::ErrChecksum) QX_FUZZ_CHECK(load_le32(env + envelope::kChecksumOffset) != 0);
    if (expected->readable && expected->exact) {
      // A body that inflates exactly to its data must not be refused by the decompressor, and a checksum
      // mismatch must be real.
      QX_FUZZ_CHECK(outcome.code != TBlowfish::ErrDecompress);
      if (outcome.code == TBlowfish::ErrChecksum) {
        TBlowfish crc(nullptr);
        QX_FUZZ_CHECK(crc.CRC(expected->data.data(), static_cast<std::uint32_t>(expected->data.size())) !=
                      load_le32(env + envelope::kChecksumOffset));
      }
    }
    return;
  }
  QX_FUZZ_CHECK(outcome.code == TBlowfish::ErrNone);
  QX_FUZZ_CHECK(outcome.length == load_le32(env + envelope::kDataLengthOffset));
  QX_FUZZ_CHECK(expected->readable);
  const std::size_t compared = expected->exact ? outcome.length : expected->data.size();
  QX_FUZZ_CHECK(compared <= outcome.length);
  QX_FUZZ_CHECK(compared == 0 || std::memcmp(outcome.data, expected->data.data(), compared) == 0);
  if (text_mode) QX_FUZZ_CHECK(outcome.data[outcome.length] == 0);
  // Reading every byte also lets the sanitizer prove the buffer is as long as reported.
  TBlowfish crc(nullptr);
  const std::uint32_t sum = crc.CRC(outcome.data, outcome.length);
  const std::uint32_t stored = load_le32(env + envelope::kChecksumOffset);
  if (stored != 0) QX_FUZZ_CHECK(sum == stored);
}

// Reads `env` with the explicit entry points under `cipher`'s current key state (which they must not change)
// and, when `with_auto`, with the Auto entry points, which must agree with the explicit ones because `cipher`'s
// key state was made from its Key.
void read_all_ways(TBlowfish& cipher, bool with_auto, const std::uint8_t* env, std::size_t size) {
  const int structure_code = expected_structure_code(env, size);
  ExpectedData expected;
  if (structure_code == TBlowfish::ErrNone) expected = expected_data(cipher, env, size);

  const cipher::KeyState before = cipher.GetKeyState();
  ReadOutcome plain = read(cipher, &TBlowfish::Decipher, env, size);
  ReadOutcome text = read(cipher, &TBlowfish::Decipher_Text, env, size);
  QX_FUZZ_CHECK(std::memcmp(&before, &cipher.GetKeyState(), sizeof before) == 0);
  check_read(plain, false, structure_code, &expected, env);
  check_read(text, true, structure_code, &expected, env);
  QX_FUZZ_CHECK(same_outcome(plain, text));

  if (with_auto) {
    // The key schedule dominates the cost of a read, so each input takes one Auto entry point, chosen by the
    // reserved header byte 3, which the reader never interprets.
    const bool text_mode = size > 3 && (env[3] & 1) != 0;
    ReadOutcome automatic = text_mode ? read(cipher, &TBlowfish::Auto_Decipher_Text, env, size)
                                      : read(cipher, &TBlowfish::Auto_Decipher, env, size);
    QX_FUZZ_CHECK(std::memcmp(&before, &cipher.GetKeyState(), sizeof before) == 0);
    QX_FUZZ_CHECK(same_outcome(text_mode ? text : plain, automatic));
    std::free(automatic.data);
  }
  std::free(plain.data);
  std::free(text.data);
}

}  // namespace

void read_envelope(const std::uint8_t* data, std::size_t size) {
  // One object keyed with the factory default key (which the seed envelopes use), one never keyed.
  struct Ciphers {
    TBlowfish keyed{nullptr};
    TBlowfish unkeyed{nullptr};
    Ciphers() { QX_FUZZ_CHECK(keyed.InitializeKey()); }
  };
  static Ciphers ciphers;
  TBlowfish& unkeyed = ciphers.unkeyed;

  // The input is copied to a buffer of exactly its size (non-null even when empty), so that any read past the
  // envelope is caught.
  const std::unique_ptr<std::uint8_t[]> env(new std::uint8_t[size]);
  if (size != 0) std::memcpy(env.get(), data, size);
  read_all_ways(ciphers.keyed, true, env.get(), size);
  read_all_ways(unkeyed, false, env.get(), size);

  // A null source is refused whatever length comes with it; an over-long length is named first.
  std::uint32_t length = 0;
  QX_FUZZ_CHECK(unkeyed.Decipher(nullptr, static_cast<std::uint32_t>(size), &length) == nullptr);
  QX_FUZZ_CHECK(unkeyed.GetErrorCode() ==
                (size > TBlowfish::MaxData + kHeaderSize ? TBlowfish::ErrTooLong : TBlowfish::ErrNullSource));
}

}  // namespace qx::fuzz
