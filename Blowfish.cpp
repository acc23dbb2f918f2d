// TBlowfish construction, destruction, key initialisation, class record and registration.
#include "Blowfish.h"

#include <array>
#include <cstring>

#include "cipher/SecureWipe.h"
#include "vcl/Palette.h"

TBlowfish::TBlowfish(TComponent* AOwner) : TComponent(AOwner), Key(DefaultKey) {}

TBlowfish::~TBlowfish() {
  // Key material must not outlive the object in freed memory.
  qx::secure_wipe(&FKeyState, sizeof FKeyState);
  qx::secure_wipe(&FReduced, sizeof FReduced);
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

const TMetaClass& TBlowfish::MetaClass() noexcept {
  static const std::array<TPropInfo, 3> properties = {
      FieldProperty<&TBlowfish::Key>("Key", true, std::nullopt),
      FieldProperty<&TBlowfish::Crc_Check>("Crc_Check", true, TPropValue(false)),
      FieldProperty<&TBlowfish::Compression>("Compression", true, TPropValue(false)),
  };
  static const TMetaClass cls{"TBlowfish", &TComponent::MetaClass(), typeid(TBlowfish),
                              [](TComponent* owner) -> TComponent* { return new TBlowfish(owner); }, properties};
  return cls;
}

namespace Blowfish {
void Register() {
  const TMetaClass* const classes[] = {&TBlowfish::MetaClass()};
  RegisterComponents("Security", classes);
}
}  // namespace Blowfish
