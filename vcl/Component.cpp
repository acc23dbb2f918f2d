// Owner-based lifetime of components and the class record of TComponent.
#include "vcl/Component.h"

#include <algorithm>
#include <array>

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) {
    AOwner->InsertComponent(this);
  }
}

TComponent::~TComponent() {
  // Newest first, as the framework frees them; detach before delete so the child does not touch our list.
  while (!FComponents.empty()) {
    TComponent* child = FComponents.back();
    FComponents.pop_back();
    child->FOwner = nullptr;
    delete child;
  }
  if (FOwner != nullptr) {
    FOwner->RemoveComponent(this);
  }
}

void TComponent::InsertComponent(TComponent* component) {
  FComponents.push_back(component);
  component->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* component) noexcept {
  auto it = std::find(FComponents.begin(), FComponents.end(), component);
  if (it != FComponents.end()) {
    FComponents.erase(it);
  }
  component->FOwner = nullptr;
}

const TMetaClass& TComponent::MetaClass() noexcept {
  static const std::array<TPropInfo, 2> properties = {
      FieldProperty<&TComponent::Name>("Name", false, std::nullopt),
      FieldProperty<&TComponent::Tag>("Tag", true, TPropValue(std::int32_t{0})),
  };
  static const TMetaClass cls{"TComponent", nullptr, typeid(TComponent),
                              [](TComponent* owner) { return new TComponent(owner); }, properties};
  return cls;
}
