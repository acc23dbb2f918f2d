// Fuzz harness for the round trip: data, key and settings from the input are sealed into an envelope, which is
// checked field by field and must open again to exactly the same data.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Blowfish.h"
#include "envelope/BodyTransform.h"
#include "envelope/Format.h"
#include "fuzz/Check.h"
#include "fuzz/Harnesses.h"
#include "fuzz/ReferenceInflate.h"

namespace qx::fuzz {
namespace {

using envelope::kHeaderSize;
using envelope::load_le32;

// Input layout: flags, key length (low 6 bits, so that keys beyond the 56-byte limit occur), key bytes, data.
enum Flag : std::uint8_t {
  kChecksum = 1 << 0,
  kCompress = 1 << 1,
  kSealAuto = 1 << 2,  // Auto_Encipher rather than InitializeKey and Encipher
  kOpenAuto = 1 << 3,  // Auto_Decipher rather than InitializeKey and Decipher
  kOpenText = 1 << 4,  // the Text variants of the reader
  kUnkeyed = 1 << 5,   // neither side runs a key schedule: the all-zero key state
};
constexpr std::uint8_t kKeyLengthMask = 0x3F;

struct Settings {
  std::uint8_t flags = 0;
  std::string key;  // may hold zero bytes: the key text ends at the first one
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

Settings parse(const std::uint8_t* input, std::size_t size) {
  Settings s;
  if (size == 0) return s;
  s.flags = input[0];
  std::size_t at = 1;
  if (at < size) {
    const std::size_t key_length = std::min<std::size_t>(input[at] & kKeyLengthMask, size - at - 1);
    s.key.assign(reinterpret_cast<const char*>(input + at + 1), key_length);
    at += 1 + key_length;
  }
  s.data = input + at;
  s.size = size - at;
  return s;
}

// Prepares `cipher` as the flags say for one side; false (with the key refused, code 1) when the key text is too
// long for an explicit key schedule.
bool prepare(TBlowfish& cipher, const Settings& s, bool auto_side) {
  cipher.Key = s.key;
  if ((s.flags & kUnkeyed) != 0 || auto_side) return true;
  const bool keyed = cipher.InitializeKey();
  QX_FUZZ_CHECK(keyed == (std::strlen(cipher.Key.c_str()) <= TBlowfish::MaxKeyLength));
  QX_FUZZ_CHECK(cipher.GetErrorCode() == (keyed ? TBlowfish::ErrNone : TBlowfish::ErrKeyTooLong));
  return keyed;
}

// Checks every header field and that the body deciphers (and inflates) to the data and its zero fill.
void check_envelope(const TBlowfish& writer, const Settings& s, const unsigned char* env, std::uint32_t env_len) {
  QX_FUZZ_CHECK(env_len >= kHeaderSize);
  const std::size_t body_len = env_len - kHeaderSize;
  const auto padded = static_cast<std::size_t>(envelope::padded_length(static_cast<std::uint32_t>(s.size)));
  QX_FUZZ_CHECK(body_len % envelope::kBlockSize == 0);
  QX_FUZZ_CHECK(std::memcmp(env, envelope::kMagic, sizeof envelope::kMagic) == 0);
  QX_FUZZ_CHECK(static_cast<std::int8_t>(env[envelope::kVersionOffset]) == envelope::kVersion);
  QX_FUZZ_CHECK(load_le32(env + envelope::kDataLengthOffset) == s.size);
  const std::uint32_t checksum = load_le32(env + envelope::kChecksumOffset);
  QX_FUZZ_CHECK(checksum == ((s.flags & kChecksum) != 0 ? writer.CRC(s.data, static_cast<std::uint32_t>(s.size)) : 0u));

  std::vector<std::uint8_t> plain(s.data, s.data + s.size);
  plain.resize(padded, 0);
  std::vector<std::uint8_t> body(env + kHeaderSize, env + env_len);
  envelope::decipher_body(writer, body.data(), body.size());
  const auto marker = static_cast<std::int32_t>(load_le32(env + envelope::kMarkerOffset));
  if (marker == envelope::kPlainMarker) {
    QX_FUZZ_CHECK(body == plain);
    return;
  }
  QX_FUZZ_CHECK((s.flags & kCompress) != 0);
  QX_FUZZ_CHECK(marker >= 0 && marker <= envelope::kMaxFillerMarker);
  QX_FUZZ_CHECK(body_len < padded && body_len >= envelope::kBlockSize);
  const InflateReference inflated = reference_inflate(body.data(), body_len - static_cast<std::size_t>(marker), padded);
  QX_FUZZ_CHECK(inflated.end == InflateEnd::kStreamEnd && inflated.unused_input == 0);
  QX_FUZZ_CHECK(inflated.output == plain);
}

}  // namespace

void seal_and_open(const std::uint8_t* input, std::size_t size) {
  const Settings s = parse(input, size);
  const bool unkeyed = (s.flags & kUnkeyed) != 0;
  const bool seal_auto = !unkeyed && (s.flags & kSealAuto) != 0;
  const bool open_auto = !unkeyed && (s.flags & kOpenAuto) != 0;
  const bool text = (s.flags & kOpenText) != 0;
  const bool key_too_long = !unkeyed && std::strlen(s.key.c_str()) > TBlowfish::MaxKeyLength;
  // A buffer of exactly the data's size (non-null even when empty), so that reading past it is caught.
  const std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[s.size]);
  if (s.size != 0) std::memcpy(data.get(), s.data, s.size);
  Settings copied = s;
  copied.data = data.get();

  TBlowfish writer(nullptr);
  writer.Crc_Check = (s.flags & kChecksum) != 0;
  writer.Compression = (s.flags & kCompress) != 0;
  if (!prepare(writer, copied, seal_auto)) return;
  std::uint32_t env_len = 0;
  unsigned char* env = seal_auto ? writer.Auto_Encipher(data.get(), static_cast<std::uint32_t>(s.size), &env_len)
                                 : writer.Encipher(data.get(), static_cast<std::uint32_t>(s.size), &env_len);
  if (s.size > TBlowfish::MaxData) {
    QX_FUZZ_CHECK(env == nullptr && writer.GetErrorCode() == TBlowfish::ErrTooLong);
    return;
  }
  if (seal_auto && key_too_long) {
    QX_FUZZ_CHECK(env == nullptr && writer.GetErrorCode() == TBlowfish::ErrKeyTooLong);
    return;
  }
  QX_FUZZ_CHECK(env != nullptr && writer.GetErrorCode() == TBlowfish::ErrNone);
  check_envelope(writer, copied, env, env_len);

  // Compression that does not pay off must leave exactly the envelope written without it.
  if (writer.Compression && static_cast<std::int32_t>(load_le32(env + envelope::kMarkerOffset)) == -1) {
    writer.Compression = false;
    std::uint32_t plain_len = 0;
    unsigned char* plain_env = writer.Encipher(data.get(), static_cast<std::uint32_t>(s.size), &plain_len);
    QX_FUZZ_CHECK(plain_env != nullptr && plain_len == env_len && std::memcmp(plain_env, env, env_len) == 0);
    std::free(plain_env);
  }

  // The envelope is opened by a separate object, as a peer would, from a buffer of exactly its length (the
  // writer's buffer may be longer).
  const std::unique_ptr<unsigned char[]> stored(new unsigned char[env_len]);
  std::memcpy(stored.get(), env, env_len);
  std::free(env);
  TBlowfish reader(nullptr);
  const bool reader_ready = prepare(reader, copied, open_auto);
  QX_FUZZ_CHECK(reader_ready);  // the same key text already served the writer
  std::uint32_t out_len = 0;
  unsigned char* out = nullptr;
  const unsigned char* sealed = stored.get();
  if (open_auto) {
    out = text ? reader.Auto_Decipher_Text(sealed, env_len, &out_len) : reader.Auto_Decipher(sealed, env_len, &out_len);
  } else {
    out = text ? reader.Decipher_Text(sealed, env_len, &out_len) : reader.Decipher(sealed, env_len, &out_len);
  }
  QX_FUZZ_CHECK(out != nullptr && reader.GetErrorCode() == TBlowfish::ErrNone);
  QX_FUZZ_CHECK(out_len == s.size);
  QX_FUZZ_CHECK(s.size == 0 || std::memcmp(out, data.get(), s.size) == 0);
  if (text) QX_FUZZ_CHECK(out[out_len] == 0);
  std::free(out);
}

}  // namespace qx::fuzz
