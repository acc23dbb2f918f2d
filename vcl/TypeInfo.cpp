// Walking a class's published properties and typed access to them by name.
#include "vcl/TypeInfo.h"

#include <algorithm>
#include <string>

#include "vcl/ClassRegistry.h"
#include "vcl/Exceptions.h"

bool TMetaClass::InheritsFrom(const TMetaClass& ancestor) const noexcept {
  for (const TMetaClass* cls = this; cls != nullptr; cls = cls->Parent) {
    if (cls == &ancestor) {
      return true;
    }
  }
  return false;
}

std::vector<const TPropInfo*> PublishedProperties(const TMetaClass& cls) {
  std::vector<const TMetaClass*> chain;
  for (const TMetaClass* c = &cls; c != nullptr; c = c->Parent) {
    chain.push_back(c);
  }
  std::vector<const TPropInfo*> props;
  std::for_each(chain.rbegin(), chain.rend(), [&props](const TMetaClass* c) {
    for (const TPropInfo& prop : c->OwnProperties) {
      props.push_back(&prop);
    }
  });
  return props;
}

const TPropInfo* FindPublishedProperty(const TMetaClass& cls, std::string_view name) {
  // A derived class's property hides an inherited one of the same name, so search nearest first.
  for (const TMetaClass* c = &cls; c != nullptr; c = c->Parent) {
    for (const TPropInfo& prop : c->OwnProperties) {
      if (prop.Name == name) {
        return &prop;
      }
    }
  }
  return nullptr;
}

namespace {

const TPropInfo& RequireProperty(const TComponent& instance, std::string_view name) {
  const TMetaClass* cls = ClassOf(instance);
  if (cls == nullptr) {
    throw EPropertyError("the class of the instance is not registered");
  }
  const TPropInfo* prop = FindPublishedProperty(*cls, name);
  if (prop == nullptr) {
    throw EPropertyError(std::string(cls->ClassName) + " has no published property " + std::string(name));
  }
  return *prop;
}

}  // namespace

TPropValue GetPropValue(const TComponent& instance, std::string_view name) {
  const TPropInfo& prop = RequireProperty(instance, name);
  return prop.Get(instance);
}

void SetPropValue(TComponent& instance, std::string_view name, const TPropValue& value) {
  const TPropInfo& prop = RequireProperty(instance, name);
  if (TypeOf(value) != prop.Type) {
    throw EPropertyError("value of the wrong type for property " + std::string(name));
  }
  prop.Set(instance, value);
}
