// Published-property metadata: inherited order, lookup and typed access by name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vcl/Exceptions.h"
#include "vcl/TestComponents.h"

namespace {

std::vector<std::string> Names(const TMetaClass& cls) {
  std::vector<std::string> names;
  for (const TPropInfo* prop : PublishedProperties(cls)) {
    names.emplace_back(prop->Name);
  }
  return names;
}

TEST(PropertyAccess, InheritedPropertiesComeFirst) {
  EXPECT_EQ(Names(TComponent::MetaClass()), (std::vector<std::string>{"Name", "Tag"}));
  EXPECT_EQ(Names(TWidget::MetaClass()),
            (std::vector<std::string>{"Name", "Tag", "Caption", "Count", "Enabled", "Hint"}));
  EXPECT_TRUE(TWidget::MetaClass().InheritsFrom(TComponent::MetaClass()));
  EXPECT_FALSE(TComponent::MetaClass().InheritsFrom(TWidget::MetaClass()));
}

TEST(PropertyAccess, TComponentRecordsNameUnstoredAndTagDefaultZero) {
  const TPropInfo* name = FindPublishedProperty(TComponent::MetaClass(), "Name");
  const TPropInfo* tag = FindPublishedProperty(TComponent::MetaClass(), "Tag");
  ASSERT_NE(name, nullptr);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(name->Type, TPropType::String);
  EXPECT_FALSE(name->Stored);
  EXPECT_EQ(tag->Type, TPropType::Integer);
  EXPECT_TRUE(tag->Stored);
  EXPECT_EQ(tag->Default, TPropValue(std::int32_t{0}));
  EXPECT_EQ(FindPublishedProperty(TComponent::MetaClass(), "tag"), nullptr);  // names are exact
}

TEST(PropertyAccess, GetAndSetReachTheFields) {
  TWidget::Register();
  TComponent owner(nullptr);
  auto* w = new TWidget(&owner);
  SetPropValue(*w, "Name", TPropValue(AnsiString("W1")));
  SetPropValue(*w, "Tag", TPropValue(std::int32_t{-42}));
  SetPropValue(*w, "Caption", TPropValue(AnsiString("a\0b", 3)));
  SetPropValue(*w, "Enabled", TPropValue(false));
  SetPropValue(*w, "Hint", TPropValue(AnsiString("not stored but published")));
  EXPECT_EQ(w->Name, "W1");
  EXPECT_EQ(w->Tag, -42);
  EXPECT_EQ(w->Caption, AnsiString("a\0b", 3));
  EXPECT_FALSE(w->Enabled);
  EXPECT_EQ(w->Hint, "not stored but published");

  w->Count = 123;
  EXPECT_EQ(GetPropValue(*w, "Count"), TPropValue(std::int32_t{123}));
  EXPECT_EQ(GetPropValue(*w, "Tag"), TPropValue(std::int32_t{-42}));
  EXPECT_EQ(GetPropValue(*w, "Caption"), TPropValue(AnsiString("a\0b", 3)));
}

TEST(PropertyAccess, RefusesUnknownNamesWrongTypesAndUnregisteredClasses) {
  TWidget::Register();
  TWidget w(nullptr);
  EXPECT_THROW((void)GetPropValue(w, "Colour"), EPropertyError);
  EXPECT_THROW(SetPropValue(w, "Count", TPropValue(AnsiString("7"))), EPropertyError);
  EXPECT_THROW(SetPropValue(w, "Enabled", TPropValue(std::int32_t{1})), EPropertyError);
  EXPECT_THROW(SetPropValue(w, "Caption", TPropValue(true)), EPropertyError);
  EXPECT_EQ(w.Count, 7);
  EXPECT_TRUE(w.Enabled);
  EXPECT_TRUE(w.Caption.empty());

  TStranger stranger(nullptr);
  EXPECT_THROW((void)GetPropValue(stranger, "Name"), EPropertyError);
}

}  // namespace
