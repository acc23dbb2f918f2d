// seal and open: one TBlowfish per call, its malloc'd results taken over at once and copied into vectors.
#include "api/Envelope.h"

#include <cstdlib>
#include <limits>
#include <memory>
#include <string>

#include "Blowfish.h"
#include "envelope/Scratch.h"

namespace qx {
namespace {

// The component reads an empty buffer's pointer as "no source" (code 3); an empty span is valid input.
constexpr unsigned char kNoBytes[1] = {0};

const unsigned char* source_of(std::span<const std::uint8_t> bytes) noexcept {
  return bytes.empty() ? kNoBytes : bytes.data();
}

struct Free {
  void operator()(unsigned char* p) const noexcept { std::free(p); }
};

// A null result with a clear register would be a failure reported as success; call it what it most likely is.
[[noreturn]] void throw_failure(const TBlowfish& cipher) {
  const int code = cipher.GetErrorCode();
  throw Error(code != TBlowfish::ErrNone ? code : TBlowfish::ErrNoMemory);
}

void give_key(TBlowfish& cipher, const Key& key) { cipher.Key.assign(key.key_text()); }

}  // namespace

std::vector<std::uint8_t> seal(std::span<const std::uint8_t> data, const Key& key, const SealOptions& options) {
  // Lengths beyond 32 bits cannot be passed on; they are over the limit anyway. The rest is the writer's call.
  if (data.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw Error(TBlowfish::ErrTooLong);
  }
  TBlowfish cipher(nullptr);
  cipher.Crc_Check = options.checksum;
  cipher.Compression = options.compress;

  const auto length = static_cast<std::uint32_t>(data.size());
  std::uint32_t envelope_length = 0;
  unsigned char* raw = nullptr;
  if (key.is_unkeyed()) {
    raw = cipher.Encipher(source_of(data), length, &envelope_length);
  } else {
    give_key(cipher, key);
    raw = cipher.Auto_Encipher(source_of(data), length, &envelope_length);
  }
  const std::unique_ptr<unsigned char, Free> envelope(raw);
  if (!envelope) {
    throw_failure(cipher);
  }
  return {envelope.get(), envelope.get() + envelope_length};
}

std::vector<std::uint8_t> open(std::span<const std::uint8_t> envelope, const Key& key, const OpenOptions& options) {
  if (envelope.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw Error(TBlowfish::ErrTooLong);
  }
  TBlowfish cipher(nullptr);
  const auto length = static_cast<std::uint32_t>(envelope.size());
  std::uint32_t data_length = 0;
  unsigned char* raw = nullptr;
  if (key.is_unkeyed()) {
    raw = options.text ? cipher.Decipher_Text(source_of(envelope), length, &data_length)
                       : cipher.Decipher(source_of(envelope), length, &data_length);
  } else {
    give_key(cipher, key);
    raw = options.text ? cipher.Auto_Decipher_Text(source_of(envelope), length, &data_length)
                       : cipher.Auto_Decipher(source_of(envelope), length, &data_length);
  }
  const std::size_t result_size = raw == nullptr ? 0 : std::size_t{data_length} + (options.text ? 1 : 0);
  // Plaintext: wiped before it goes back to the allocator.
  const envelope::WipedBuffer data(raw, result_size);
  if (!data) {
    throw_failure(cipher);
  }
  return {data.get(), data.get() + result_size};
}

}  // namespace qx
