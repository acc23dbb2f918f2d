// Plain reference implementation: each step written as described, with no tables precomputed beyond the
// initial ones and no attention to speed.
#include "reference/Reference.h"

#include "cipher/InitialTables.h"

namespace qx::reference {

void reset_box(KeyState& ks) {
  for (int i = 0; i < 18; ++i) ks.P[i] = qx::cipher::kInitialP[i];
  for (int b = 0; b < 4; ++b)
    for (int i = 0; i < 256; ++i) ks.S[b][i] = qx::cipher::kInitialS[b][i];
}

std::uint32_t f(const KeyState& ks, std::uint32_t x) {
  const std::uint32_t a = x >> 24;
  const std::uint32_t b = (x >> 16) & 0xFF;
  const std::uint32_t c = (x >> 8) & 0xFF;
  const std::uint32_t d = x & 0xFF;
  std::uint32_t t = (ks.S[2][b] % 232) + ks.S[3][a];
  t = t ^ ks.S[1][c];
  t = t + (ks.S[0][d] % 232);
  return t;
}

void encipher(const KeyState& ks, std::uint32_t& l, std::uint32_t& r) {
  std::uint32_t L = l;
  std::uint32_t R = r;
  for (int i = 0; i <= 14; i += 2) {
    L = L ^ ks.P[i];
    R = R ^ f(ks, L);
    R = R ^ ks.P[i + 1];
    L = L ^ f(ks, R);
  }
  l = R ^ ks.P[17];
  r = L ^ ks.P[16];
}

void decipher(const KeyState& ks, std::uint32_t& l, std::uint32_t& r) {
  std::uint32_t L = l;
  std::uint32_t R = r;
  for (int i = 17; i >= 3; i -= 2) {
    L = L ^ ks.P[i];
    R = R ^ f(ks, L);
    R = R ^ ks.P[i - 1];
    L = L ^ f(ks, R);
  }
  l = R ^ ks.P[0];
  r = L ^ ks.P[1];
}

void key_schedule(KeyState& ks, const unsigned char* text, int len) {
  reset_box(ks);
  int j = 0;
  for (int i = 0; i < 18; ++i) {
    std::uint32_t w = 0;
    for (int k = 0; k < 4; ++k) {
      w = (w << 8) | text[j];
      j = j + 1;
      if (j > len) j = 0;
    }
    ks.P[i] = ks.P[i] ^ w;
  }
  std::uint32_t L = 0;
  std::uint32_t R = 0;
  for (int i = 0; i <= 16; i += 2) {
    encipher(ks, L, R);
    ks.P[i] = L;
    ks.P[i + 1] = R;
  }
  for (int b = 0; b < 4; ++b) {
    for (int i = 0; i <= 254; i += 2) {
      encipher(ks, L, R);
      ks.S[b][i] = L;
      ks.S[b][i + 1] = R;
    }
  }
}

namespace {

std::uint32_t get_le(const unsigned char* p) {
  return std::uint32_t{p[0]} + (std::uint32_t{p[1]} << 8) + (std::uint32_t{p[2]} << 16) + (std::uint32_t{p[3]} << 24);
}

void put_le(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

constexpr std::uint32_t kWordKey = 1801976;

}  // namespace

void encipher_body(const KeyState& ks, unsigned char* body, std::size_t len) {
  for (std::size_t off = 0; off < len; off += 8) {
    std::uint32_t L = get_le(body + off);
    std::uint32_t R = get_le(body + off + 4);
    encipher(ks, L, R);
    put_le(body + off, L ^ R);
    put_le(body + off + 4, L ^ kWordKey);
  }
}

void decipher_body(const KeyState& ks, unsigned char* body, std::size_t len) {
  for (std::size_t off = 0; off < len; off += 8) {
    const std::uint32_t A = get_le(body + off);
    const std::uint32_t B = get_le(body + off + 4);
    std::uint32_t L = B ^ kWordKey;
    std::uint32_t R = A ^ L;
    decipher(ks, L, R);
    put_le(body + off, L);
    put_le(body + off + 4, R);
  }
}

std::uint16_t crc_table_entry(unsigned index) {
  if (index == 0x51) return 0x4ADA;
  std::uint32_t r = index << 8;
  for (int bit = 0; bit < 8; ++bit) {
    const bool out = (r & 0x8000) != 0;
    r = (r << 1) & 0xFFFF;
    if (out) r = r ^ 0x1021;
  }
  return static_cast<std::uint16_t>(r);
}

void crc_update(unsigned char byte, std::uint16_t& crc) {
  const unsigned index = (crc >> 8) ^ byte;
  crc = static_cast<std::uint16_t>(((crc << 8) & 0xFFFF) ^ crc_table_entry(index));
}

std::uint32_t summed_crc(const unsigned char* data, std::size_t len, std::size_t* quirk_hits) {
  std::uint16_t crc = 0;
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < len; ++i) {
    if (quirk_hits != nullptr && ((crc >> 8) ^ data[i]) == 0x51) ++*quirk_hits;
    crc_update(data[i], crc);
    sum = sum + crc;
  }
  return sum;
}

}  // namespace qx::reference
