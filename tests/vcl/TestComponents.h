// A component class for the framework tests, with one published property of each kind and each stored flag.
#pragma once

#include <array>
#include <cstdint>

#include "vcl/ClassRegistry.h"
#include "vcl/Component.h"

class TWidget : public TComponent {
 public:
  explicit TWidget(TComponent* owner) : TComponent(owner) {}

  AnsiString Caption;      // stored, no recorded default: always written
  std::int32_t Count = 7;  // stored, default 7
  bool Enabled = true;     // stored, default true
  AnsiString Hint;         // published but not stored

  static const TMetaClass& MetaClass() {
    static const std::array<TPropInfo, 4> properties = {
        FieldProperty<&TWidget::Caption>("Caption", true, std::nullopt),
        FieldProperty<&TWidget::Count>("Count", true, TPropValue(std::int32_t{7})),
        FieldProperty<&TWidget::Enabled>("Enabled", true, TPropValue(true)),
        FieldProperty<&TWidget::Hint>("Hint", false, std::nullopt),
    };
    static const TMetaClass cls{"TWidget", &TComponent::MetaClass(), typeid(TWidget),
                                [](TComponent* owner) -> TComponent* { return new TWidget(owner); }, properties};
    return cls;
  }

  // Registration is process-wide and idempotent, so every test may call this first.
  static void Register() { RegisterClass(MetaClass()); }
};

// A component class nobody registers.
class TStranger : public TComponent {
 public:
  using TComponent::TComponent;
};
