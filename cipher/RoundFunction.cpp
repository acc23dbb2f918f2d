// The variant round function and the single-block 64-bit transforms.
#include "Blowfish.h"
#include "cipher/KeyStateAccess.h"

using qx::cipher::KeyStateAccess;

// Box order is reversed against published Blowfish (high byte indexes S3), and S2, S0 enter reduced mod 232;
// the reduced copies hold those remainders already.
std::uint32_t TBlowfish::F(std::uint32_t x) const noexcept { return KeyStateAccess::round(*this, x); }

void TBlowfish::Blowfish_encipher(std::uint32_t* xl, std::uint32_t* xr) const noexcept {
  std::uint32_t l[1] = {*xl};
  std::uint32_t r[1] = {*xr};
  KeyStateAccess::encipher(*this, l, r);
  *xl = l[0];
  *xr = r[0];
}

void TBlowfish::Blowfish_decipher(std::uint32_t* xl, std::uint32_t* xr) const noexcept {
  std::uint32_t l[1] = {*xl};
  std::uint32_t r[1] = {*xr};
  KeyStateAccess::decipher(*this, l, r);
  *xl = l[0];
  *xr = r[0];
}
