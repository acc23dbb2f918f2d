// Envelope body transform: each block enciphered on its own, then its words mixed as the format requires.
#include "envelope/BodyTransform.h"

#include "Blowfish.h"
#include "envelope/Format.h"

namespace qx::envelope {

void encipher_body(const TBlowfish& cipher, unsigned char* body, std::size_t len) noexcept {
  for (std::size_t off = 0; off + kBlockSize <= len; off += kBlockSize) {
    unsigned char* block = body + off;
    std::uint32_t l = load_le32(block);
    std::uint32_t r = load_le32(block + 4);
    cipher.Blowfish_encipher(&l, &r);
    store_le32(block, l ^ r);
    store_le32(block + 4, l ^ kBlockWordKey);
  }
}

void decipher_body(const TBlowfish& cipher, unsigned char* body, std::size_t len) noexcept {
  for (std::size_t off = 0; off + kBlockSize <= len; off += kBlockSize) {
    unsigned char* block = body + off;
    std::uint32_t l = load_le32(block + 4) ^ kBlockWordKey;
    std::uint32_t r = load_le32(block) ^ l;
    cipher.Blowfish_decipher(&l, &r);
    store_le32(block, l);
    store_le32(block + 4, r);
  }
}

}  // namespace qx::envelope
