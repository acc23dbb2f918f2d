// The class registry: finds component classes by name (the virtual constructor) and by instance.
#pragma once

#include <span>
#include <string_view>

#include "vcl/TypeInfo.h"

// Makes cls known by its ClassName and its C++ type. Registering the same class again changes nothing;
// a different class under a name already taken throws EClassError. TComponent is always registered.
// The record must outlive the registry (classes keep theirs in static storage).
void RegisterClass(const TMetaClass& cls);
void RegisterClasses(std::span<const TMetaClass* const> classes);

// The class registered under name (exact match), or null.
[[nodiscard]] const TMetaClass* GetClass(std::string_view name);
// As GetClass, but throws EClassError naming the class when it is not registered.
[[nodiscard]] const TMetaClass& FindClass(std::string_view name);
// The registered class of instance's dynamic type, or null when that exact type is not registered.
[[nodiscard]] const TMetaClass* ClassOf(const TComponent& instance);
