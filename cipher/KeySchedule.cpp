// Key schedule: initial tables, key mixing and regeneration of the whole key state.
#include <cstring>

#include "Blowfish.h"
#include "cipher/InitialTables.h"
#include "cipher/SecureWipe.h"

void TBlowfish::ResetBox() noexcept {
  std::memcpy(FKeyState.P, qx::cipher::kInitialP, sizeof FKeyState.P);
  std::memcpy(FKeyState.S, qx::cipher::kInitialS, sizeof FKeyState.S);
}

void TBlowfish::IniitializeBlowfish(const char* key, short len) noexcept {
  ResetBox();

  // The cycle runs over indexes 0..len inclusive, so the key text's terminating zero byte is mixed in too.
  const auto* text = reinterpret_cast<const unsigned char*>(key);
  int j = 0;
  for (auto& p : FKeyState.P) {
    std::uint32_t w = 0;
    for (int k = 0; k < 4; ++k) {
      w = (w << 8) | text[j];
      if (++j > len) {
        j = 0;
      }
    }
    p ^= w;
  }

  // Each encipherment already sees the entries written before it, so the order of writes is part of the cipher.
  std::uint32_t L = 0;
  std::uint32_t R = 0;
  for (int i = 0; i < qx::cipher::kPWords; i += 2) {
    Blowfish_encipher(&L, &R);
    FKeyState.P[i] = L;
    FKeyState.P[i + 1] = R;
  }
  for (auto& box : FKeyState.S) {
    for (int i = 0; i < qx::cipher::kBoxWords; i += 2) {
      Blowfish_encipher(&L, &R);
      box[i] = L;
      box[i + 1] = R;
    }
  }
  // The chaining halves are derived from the key; do not leave them on the stack.
  qx::secure_wipe(&L, sizeof L);
  qx::secure_wipe(&R, sizeof R);
}
