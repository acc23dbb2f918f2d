// The class registry: lookup by name and by instance, the virtual constructor, refusal of name clashes.
#include <gtest/gtest.h>

#include "vcl/Exceptions.h"
#include "vcl/TestComponents.h"

namespace {

TEST(ClassRegistry, TComponentIsAlwaysKnown) {
  EXPECT_EQ(GetClass("TComponent"), &TComponent::MetaClass());
  TComponent c(nullptr);
  EXPECT_EQ(ClassOf(c), &TComponent::MetaClass());
}

TEST(ClassRegistry, FindsRegisteredClassesByNameAndInstance) {
  TWidget::Register();
  TWidget::Register();  // again: harmless
  EXPECT_EQ(GetClass("TWidget"), &TWidget::MetaClass());
  EXPECT_EQ(&FindClass("TWidget"), &TWidget::MetaClass());
  TWidget w(nullptr);
  EXPECT_EQ(ClassOf(w), &TWidget::MetaClass());

  EXPECT_EQ(GetClass("twidget"), nullptr);
  EXPECT_EQ(GetClass("TStranger"), nullptr);
  EXPECT_THROW((void)FindClass("TStranger"), EClassError);
  TStranger s(nullptr);
  EXPECT_EQ(ClassOf(s), nullptr);  // exact dynamic type only, never a registered ancestor
}

TEST(ClassRegistry, VirtualConstructorCreatesWithOwner) {
  TWidget::Register();
  TComponent owner(nullptr);
  TComponent* created = FindClass("TWidget").Create(&owner);
  ASSERT_NE(dynamic_cast<TWidget*>(created), nullptr);
  EXPECT_EQ(created->GetOwner(), &owner);
  ASSERT_EQ(owner.GetComponentCount(), 1u);
  EXPECT_EQ(static_cast<TWidget*>(created)->Count, 7);  // constructed, defaults in place
}

TEST(ClassRegistry, RefusesASecondClassUnderATakenNameOrType) {
  TWidget::Register();
  static const TMetaClass impostor_name{"TWidget",
                                        &TComponent::MetaClass(),
                                        typeid(TStranger),
                                        [](TComponent* owner) -> TComponent* { return new TStranger(owner); },
                                        {}};
  EXPECT_THROW(RegisterClass(impostor_name), EClassError);
  static const TMetaClass impostor_type{"TWidget2",
                                        &TComponent::MetaClass(),
                                        typeid(TWidget),
                                        [](TComponent* owner) -> TComponent* { return new TWidget(owner); },
                                        {}};
  EXPECT_THROW(RegisterClass(impostor_type), EClassError);
  EXPECT_EQ(GetClass("TWidget"), &TWidget::MetaClass());
  EXPECT_EQ(GetClass("TWidget2"), nullptr);
  TStranger s(nullptr);
  EXPECT_EQ(ClassOf(s), nullptr);
}

}  // namespace
