// Run-time type information of components: published properties and the class record ("metaclass").
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <variant>
#include <vector>

#include "vcl/AnsiString.h"

class TComponent;

// Kinds of published property the framework streams. The order matches the alternatives of TPropValue.
enum class TPropType : std::uint8_t { Boolean, Integer, String };

using TPropValue = std::variant<bool, std::int32_t, AnsiString>;

[[nodiscard]] constexpr TPropType TypeOf(const TPropValue& value) noexcept {
  return static_cast<TPropType>(value.index());
}

// One published property. Get and Set are only ever called on an instance of the declaring class (or a class
// derived from it), with a value of the property's type; GetPropValue/SetPropValue below enforce both.
struct TPropInfo {
  std::string_view Name;
  TPropType Type;
  bool Stored;                        // written to form text at all
  std::optional<TPropValue> Default;  // a value equal to it is not written; none recorded means always written
  TPropValue (*Get)(const TComponent& instance);
  void (*Set)(TComponent& instance, const TPropValue& value);
};

// The class record: what the framework knows about a component class. Classes are found by name (reading
// form text) and by the dynamic type of an instance (writing it).
struct TMetaClass {
  std::string_view ClassName;
  const TMetaClass* Parent;  // null only for TComponent
  const std::type_info& Type;
  // The virtual constructor: a new instance owned by owner, or by the caller when owner is null.
  TComponent* (*Create)(TComponent* owner);
  std::span<const TPropInfo> OwnProperties;  // declared by this class, in order, after the parent's

  [[nodiscard]] bool InheritsFrom(const TMetaClass& ancestor) const noexcept;
};

// All published properties of a class, inherited ones first, each in declaration order.
[[nodiscard]] std::vector<const TPropInfo*> PublishedProperties(const TMetaClass& cls);
// The property named name (exact, case-sensitive match), or null.
[[nodiscard]] const TPropInfo* FindPublishedProperty(const TMetaClass& cls, std::string_view name);

namespace vcl_detail {

template <class Member>
struct FieldTraits;
template <class Class, class Value>
struct FieldTraits<Value Class::*> {
  using ClassType = Class;
  using ValueType = Value;
};

template <class Value>
constexpr TPropType PropTypeOf() {
  if constexpr (std::is_same_v<Value, bool>) {
    return TPropType::Boolean;
  } else if constexpr (std::is_same_v<Value, int> || std::is_same_v<Value, std::int32_t>) {
    return TPropType::Integer;
  } else {
    static_assert(std::is_same_v<Value, AnsiString>, "published fields are bool, int or AnsiString");
    return TPropType::String;
  }
}

template <auto Field>
TPropValue GetField(const TComponent& instance) {
  using Traits = FieldTraits<decltype(Field)>;
  const auto& object = static_cast<const typename Traits::ClassType&>(instance);
  if constexpr (PropTypeOf<typename Traits::ValueType>() == TPropType::Integer) {
    return static_cast<std::int32_t>(object.*Field);
  } else {
    return object.*Field;
  }
}

template <auto Field>
void SetField(TComponent& instance, const TPropValue& value) {
  using Traits = FieldTraits<decltype(Field)>;
  auto& object = static_cast<typename Traits::ClassType&>(instance);
  object.*Field = std::get<static_cast<std::size_t>(PropTypeOf<typename Traits::ValueType>())>(value);
}

}  // namespace vcl_detail

// A property that reads and writes a public field directly, with no side effect: FieldProperty<&T::F>(...).
template <auto Field>
[[nodiscard]] TPropInfo FieldProperty(std::string_view name, bool stored, std::optional<TPropValue> default_value) {
  using Value = typename vcl_detail::FieldTraits<decltype(Field)>::ValueType;
  return TPropInfo{name,
                   vcl_detail::PropTypeOf<Value>(),
                   stored,
                   std::move(default_value),
                   &vcl_detail::GetField<Field>,
                   &vcl_detail::SetField<Field>};
}

// Typed access by name through the instance's registered class. Both throw EPropertyError when the class of
// instance is not registered, has no published property of that name, or (Set) the value has the wrong type.
[[nodiscard]] TPropValue GetPropValue(const TComponent& instance, std::string_view name);
void SetPropValue(TComponent& instance, std::string_view name, const TPropValue& value);
