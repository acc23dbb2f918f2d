// Key schedule: initial tables, key mixing and regeneration of the whole key state.
#include <cstring>

#include "Blowfish.h"
#include "cipher/InitialTables.h"
#include "cipher/KeyStateAccess.h"
#include "cipher/SecureWipe.h"

using qx::cipher::kBoxModulus;
using qx::cipher::KeyStateAccess;

void TBlowfish::ResetBox() noexcept {
  std::memcpy(FKeyState.P, qx::cipher::kInitialP, sizeof FKeyState.P);
  std::memcpy(FKeyState.S, qx::cipher::kInitialS, sizeof FKeyState.S);
  for (int i = 0; i < qx::cipher::kBoxWords; ++i) {
    FReduced.S0[i] = FKeyState.S[0][i] % kBoxModulus;
    FReduced.S2[i] = FKeyState.S[2][i] % kBoxModulus;
  }
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

  // Each encipherment already sees the entries written before it, so the order of writes is part of the cipher;
  // the reduced copy of S0 and S2 is therefore updated with each entry, not once at the end.
  std::uint32_t l[1] = {0};
  std::uint32_t r[1] = {0};
  for (int i = 0; i < qx::cipher::kPWords; i += 2) {
    KeyStateAccess::encipher(*this, l, r);
    FKeyState.P[i] = l[0];
    FKeyState.P[i + 1] = r[0];
  }
  std::uint32_t* const reduced[qx::cipher::kBoxes] = {FReduced.S0, nullptr, FReduced.S2, nullptr};
  for (int b = 0; b < qx::cipher::kBoxes; ++b) {
    std::uint32_t* const box = FKeyState.S[b];
    for (int i = 0; i < qx::cipher::kBoxWords; i += 2) {
      KeyStateAccess::encipher(*this, l, r);
      box[i] = l[0];
      box[i + 1] = r[0];
      if (reduced[b] != nullptr) {
        reduced[b][i] = l[0] % kBoxModulus;
        reduced[b][i + 1] = r[0] % kBoxModulus;
      }
    }
  }
  // The chaining halves are derived from the key; do not leave them on the stack.
  qx::secure_wipe(l, sizeof l);
  qx::secure_wipe(r, sizeof r);
}
