// TBlowfish construction, destruction, key initialisation and registration.
#include "Blowfish.h"

#include <cstring>

#include "cipher/SecureWipe.h"

TBlowfish::TBlowfish(TComponent* AOwner) : TComponent(AOwner), Key(DefaultKey) {}

TBlowfish::~TBlowfish() {
  // Key material must not outlive the object in freed memory.
  qx::secure_wipe(&FKeyState, sizeof FKeyState);
  Key.resize(Key.capacity());
  qx::secure_wipe(Key.data(), Key.size());
}

std::size_t TBlowfish::KeyTextLength() const noexcept { return std::strlen(Key.c_str()); }

void TBlowfish::ScheduleKeyText() noexcept { IniitializeBlowfish(Key.c_str(), static_cast<short>(KeyTextLength())); }

bool TBlowfish::InitializeKey() {
  FErrorCode = ErrNone;
  if (KeyTextLength() > MaxKeyLength) {
    FErrorCode = ErrKeyTooLong;
    return false;
  }
  ScheduleKeyText();
  return true;
}

namespace Blowfish {
void Register() {}
}  // namespace Blowfish
