// The class registry, guarded by one mutex so registration from several threads is harmless.
#include "vcl/ClassRegistry.h"

#include <map>
#include <mutex>
#include <string>
#include <typeindex>

#include "vcl/Component.h"
#include "vcl/Exceptions.h"

namespace {

struct Registry {
  std::mutex lock;
  std::map<std::string, const TMetaClass*, std::less<>> by_name;
  std::map<std::type_index, const TMetaClass*> by_type;
};

void AddLocked(Registry& registry, const TMetaClass& cls) {
  auto found = registry.by_name.find(cls.ClassName);
  if (found != registry.by_name.end()) {
    if (found->second == &cls) {
      return;
    }
    throw EClassError("a class named " + std::string(cls.ClassName) + " is already registered");
  }
  // A C++ type has one record; a second record for it would make ClassOf ambiguous.
  if (registry.by_type.contains(std::type_index(cls.Type))) {
    throw EClassError("class " + std::string(cls.ClassName) + " is already registered under another name");
  }
  registry.by_name.emplace(std::string(cls.ClassName), &cls);
  registry.by_type.emplace(std::type_index(cls.Type), &cls);
}

struct PreloadedRegistry : Registry {
  // The framework's own base class is always known, so a plain TComponent can be the root of a form.
  PreloadedRegistry() { AddLocked(*this, TComponent::MetaClass()); }
};

Registry& TheRegistry() {
  static PreloadedRegistry registry;
  return registry;
}

}  // namespace

void RegisterClass(const TMetaClass& cls) {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  AddLocked(registry, cls);
}

void RegisterClasses(std::span<const TMetaClass* const> classes) {
  for (const TMetaClass* cls : classes) {
    if (cls == nullptr) {
      throw EClassError("null class record");
    }
    RegisterClass(*cls);
  }
}

const TMetaClass* GetClass(std::string_view name) {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  auto found = registry.by_name.find(name);
  return found == registry.by_name.end() ? nullptr : found->second;
}

const TMetaClass& FindClass(std::string_view name) {
  const TMetaClass* cls = GetClass(name);
  if (cls == nullptr) {
    throw EClassError("class " + std::string(name) + " not found");
  }
  return *cls;
}

const TMetaClass* ClassOf(const TComponent& instance) {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  auto found = registry.by_type.find(std::type_index(typeid(instance)));
  return found == registry.by_type.end() ? nullptr : found->second;
}
