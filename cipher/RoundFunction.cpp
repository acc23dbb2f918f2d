// The variant round function and the 64-bit block transforms.
#include "Blowfish.h"

using qx::cipher::kBoxModulus;

std::uint32_t TBlowfish::F(std::uint32_t x) const noexcept {
  const auto& S = FKeyState.S;
  // Box order is reversed against published Blowfish (high byte indexes S3), and S2, S0 enter reduced mod 232.
  const std::uint32_t a = x >> 24;
  const std::uint32_t b = (x >> 16) & 0xFF;
  const std::uint32_t c = (x >> 8) & 0xFF;
  const std::uint32_t d = x & 0xFF;
  std::uint32_t t = (S[2][b] % kBoxModulus) + S[3][a];
  t ^= S[1][c];
  return t + (S[0][d] % kBoxModulus);
}

void TBlowfish::Blowfish_encipher(std::uint32_t* xl, std::uint32_t* xr) const noexcept {
  const auto& P = FKeyState.P;
  std::uint32_t L = *xl;
  std::uint32_t R = *xr;
  for (int i = 0; i < qx::cipher::kRounds; i += 2) {
    L ^= P[i];
    R ^= F(L);
    R ^= P[i + 1];
    L ^= F(R);
  }
  *xl = R ^ P[17];
  *xr = L ^ P[16];
}

void TBlowfish::Blowfish_decipher(std::uint32_t* xl, std::uint32_t* xr) const noexcept {
  const auto& P = FKeyState.P;
  std::uint32_t L = *xl;
  std::uint32_t R = *xr;
  for (int i = 17; i > 1; i -= 2) {
    L ^= P[i];
    R ^= F(L);
    R ^= P[i - 1];
    L ^= F(R);
  }
  *xl = R ^ P[0];
  *xr = L ^ P[1];
}
