// A plain, deliberately unoptimised implementation of the cipher and the summed checksum, for differential tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qx::reference {

// Same shape as the component's key state: P then S0..S3, so the two can be compared word for word.
struct KeyState {
  std::uint32_t P[18];
  std::uint32_t S[4][256];
};

// Initial tables (P and S boxes from the hex fraction of pi).
void reset_box(KeyState& ks);
// Round function: high byte indexes S3, low byte S0; S2 and S0 entries reduced modulo 232 on every use.
std::uint32_t f(const KeyState& ks, std::uint32_t x);
void encipher(const KeyState& ks, std::uint32_t& l, std::uint32_t& r);
void decipher(const KeyState& ks, std::uint32_t& l, std::uint32_t& r);
// Key schedule over the first len bytes of text and the byte after them.
void key_schedule(KeyState& ks, const unsigned char* text, int len);

// Envelope body transform, block by block, in place; len a multiple of 8.
void encipher_body(const KeyState& ks, unsigned char* body, std::size_t len);
void decipher_body(const KeyState& ks, unsigned char* body, std::size_t len);

// Checksum table as stored checksums use it, built bit by bit from the polynomial, entry 0x51 overridden.
std::uint16_t crc_table_entry(unsigned index);
void crc_update(unsigned char byte, std::uint16_t& crc);
// Summed CRC; `quirk_hits`, when given, counts the bytes whose index was 0x51.
std::uint32_t summed_crc(const unsigned char* data, std::size_t len, std::size_t* quirk_hits = nullptr);

}  // namespace qx::reference
