// TComponent: the framework's component base with owner-based lifetime and the inherited Name and Tag.
#pragma once

#include <cstddef>
#include <vector>

#include "vcl/AnsiString.h"
#include "vcl/TypeInfo.h"

// A component with an owner is destroyed by that owner, so it must be created with new; one without an owner
// belongs to whoever created it. Destroying an owned component first removes it from its owner's list.
class TComponent {
 public:
  explicit TComponent(TComponent* AOwner);
  virtual ~TComponent();

  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  [[nodiscard]] TComponent* GetOwner() const noexcept { return FOwner; }
  [[nodiscard]] std::size_t GetComponentCount() const noexcept { return FComponents.size(); }
  // Owned components in creation order; index must be below GetComponentCount().
  [[nodiscard]] TComponent* GetComponent(std::size_t index) const { return FComponents.at(index); }

  // Class record: published Name (not stored: form text carries it in the object header) and Tag (default 0).
  [[nodiscard]] static const TMetaClass& MetaClass() noexcept;

  // Published, inherited by every component.
  AnsiString Name;
  int Tag = 0;

 private:
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component) noexcept;

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
};
