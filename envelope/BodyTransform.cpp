// Envelope body transform: each block enciphered on its own, then its words mixed as the format requires.
#include "envelope/BodyTransform.h"

#include "Blowfish.h"
#include "cipher/LanesX86.h"
#include "cipher/SecureWipe.h"
#include "envelope/Format.h"

namespace qx::envelope {
namespace {

using qx::cipher::kLanes;
using qx::cipher::LaneKernel;

// The halves in flight, wiped once per body rather than once per group.
struct Lanes {
  std::uint32_t l[kLanes];
  std::uint32_t r[kLanes];
};

void load_for_encipher(const unsigned char* block, std::uint32_t& l, std::uint32_t& r) noexcept {
  l = load_le32(block);
  r = load_le32(block + 4);
}

void store_enciphered(unsigned char* block, std::uint32_t l, std::uint32_t r) noexcept {
  store_le32(block, l ^ r);
  store_le32(block + 4, l ^ kBlockWordKey);
}

void load_for_decipher(const unsigned char* block, std::uint32_t& l, std::uint32_t& r) noexcept {
  l = load_le32(block + 4) ^ kBlockWordKey;
  r = load_le32(block) ^ l;
}

void store_deciphered(unsigned char* block, std::uint32_t l, std::uint32_t r) noexcept {
  store_le32(block, l);
  store_le32(block + 4, r);
}

// Runs whole groups through the four-block kernel and the remaining blocks one at a time; `load` and `store`
// carry the format's word mixing on either side of the cipher.
template <auto load, auto store, auto single>
void transform_blocks(const TBlowfish& cipher, LaneKernel kernel, unsigned char* body, std::size_t len) noexcept {
  const std::size_t blocks = len / kBlockSize;
  Lanes lanes;
  std::size_t b = 0;
  for (; b + kLanes <= blocks; b += kLanes) {
    unsigned char* const group = body + b * kBlockSize;
    for (std::size_t k = 0; k < kLanes; ++k) load(group + k * kBlockSize, lanes.l[k], lanes.r[k]);
    kernel(cipher, lanes.l, lanes.r);
    for (std::size_t k = 0; k < kLanes; ++k) store(group + k * kBlockSize, lanes.l[k], lanes.r[k]);
  }
  for (; b < blocks; ++b) {
    unsigned char* const block = body + b * kBlockSize;
    load(block, lanes.l[0], lanes.r[0]);
    (cipher.*single)(&lanes.l[0], &lanes.r[0]);
    store(block, lanes.l[0], lanes.r[0]);
  }
  // The lanes held plaintext.
  qx::secure_wipe(&lanes, sizeof lanes);
}

}  // namespace

void encipher_body(const TBlowfish& cipher, unsigned char* body, std::size_t len) noexcept {
  encipher_body_with(cipher, qx::cipher::fast_lane_kernels(), body, len);
}

void decipher_body(const TBlowfish& cipher, unsigned char* body, std::size_t len) noexcept {
  decipher_body_with(cipher, qx::cipher::fast_lane_kernels(), body, len);
}

void encipher_body_with(const TBlowfish& cipher, const qx::cipher::LaneKernels& kernels, unsigned char* body,
                        std::size_t len) noexcept {
  transform_blocks<load_for_encipher, store_enciphered, &TBlowfish::Blowfish_encipher>(cipher, kernels.encipher, body,
                                                                                       len);
}

void decipher_body_with(const TBlowfish& cipher, const qx::cipher::LaneKernels& kernels, unsigned char* body,
                        std::size_t len) noexcept {
  transform_blocks<load_for_decipher, store_deciphered, &TBlowfish::Blowfish_decipher>(cipher, kernels.decipher, body,
                                                                                       len);
}

}  // namespace qx::envelope
