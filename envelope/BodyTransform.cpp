// Envelope body transform: each block enciphered on its own, then its words mixed as the format requires.
#include "envelope/BodyTransform.h"

#include "Blowfish.h"
#include "cipher/KeyStateAccess.h"
#include "cipher/SecureWipe.h"
#include "envelope/Format.h"

namespace qx::envelope {
namespace {

using qx::cipher::KeyStateAccess;

// Blocks are independent (no chaining), so several go through the rounds together and the table loads of one
// hide the latency of the others. Four lanes keep every half in a register on x86-64; six measured no faster,
// eight spill, and AVX2 gathers measured slower than scalar loads on the target machine.
constexpr std::size_t kLanes = 4;

// The halves in flight; held by the caller so that they are wiped once per body, not once per group.
struct Lanes {
  std::uint32_t l[kLanes];
  std::uint32_t r[kLanes];
  std::uint32_t l1[1];
  std::uint32_t r1[1];
};

template <std::size_t N>
void encipher_group(const TBlowfish& cipher, unsigned char* block, std::uint32_t (&l)[N],
                    std::uint32_t (&r)[N]) noexcept {
  for (std::size_t k = 0; k < N; ++k) {
    l[k] = load_le32(block + k * kBlockSize);
    r[k] = load_le32(block + k * kBlockSize + 4);
  }
  KeyStateAccess::encipher(cipher, l, r);
  for (std::size_t k = 0; k < N; ++k) {
    store_le32(block + k * kBlockSize, l[k] ^ r[k]);
    store_le32(block + k * kBlockSize + 4, l[k] ^ kBlockWordKey);
  }
}

template <std::size_t N>
void decipher_group(const TBlowfish& cipher, unsigned char* block, std::uint32_t (&l)[N],
                    std::uint32_t (&r)[N]) noexcept {
  for (std::size_t k = 0; k < N; ++k) {
    l[k] = load_le32(block + k * kBlockSize + 4) ^ kBlockWordKey;
    r[k] = load_le32(block + k * kBlockSize) ^ l[k];
  }
  KeyStateAccess::decipher(cipher, l, r);
  for (std::size_t k = 0; k < N; ++k) {
    store_le32(block + k * kBlockSize, l[k]);
    store_le32(block + k * kBlockSize + 4, r[k]);
  }
}

}  // namespace

void encipher_body(const TBlowfish& cipher, unsigned char* body, std::size_t len) noexcept {
  const std::size_t blocks = len / kBlockSize;
  Lanes lanes;
  std::size_t b = 0;
  for (; b + kLanes <= blocks; b += kLanes) encipher_group(cipher, body + b * kBlockSize, lanes.l, lanes.r);
  for (; b < blocks; ++b) encipher_group(cipher, body + b * kBlockSize, lanes.l1, lanes.r1);
  // The lanes held plaintext.
  qx::secure_wipe(&lanes, sizeof lanes);
}

void decipher_body(const TBlowfish& cipher, unsigned char* body, std::size_t len) noexcept {
  const std::size_t blocks = len / kBlockSize;
  Lanes lanes;
  std::size_t b = 0;
  for (; b + kLanes <= blocks; b += kLanes) decipher_group(cipher, body + b * kBlockSize, lanes.l, lanes.r);
  for (; b < blocks; ++b) decipher_group(cipher, body + b * kBlockSize, lanes.l1, lanes.r1);
  // The lanes held plaintext.
  qx::secure_wipe(&lanes, sizeof lanes);
}

}  // namespace qx::envelope
