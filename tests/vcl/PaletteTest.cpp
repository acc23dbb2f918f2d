// RegisterComponents and the palette: pages in order, idempotent repeats, refused conflicts leave no trace.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "vcl/Exceptions.h"
#include "vcl/Palette.h"
#include "vcl/TestComponents.h"

namespace {

class TGizmo : public TComponent {
 public:
  using TComponent::TComponent;
  static const TMetaClass& MetaClass() {
    static const TMetaClass cls{"TGizmo",
                                &TComponent::MetaClass(),
                                typeid(TGizmo),
                                [](TComponent* owner) -> TComponent* { return new TGizmo(owner); },
                                {}};
    return cls;
  }
};

// The palette as page name -> class names, easy to compare whole.
using Layout = std::vector<std::pair<std::string, std::vector<std::string>>>;

Layout CurrentLayout() {
  Layout layout;
  for (const TPalettePage& page : GetPalette()) {
    std::vector<std::string> names;
    for (const TMetaClass* cls : page.Classes) {
      names.emplace_back(cls->ClassName);
    }
    layout.emplace_back(page.Name, names);
  }
  return layout;
}

class PaletteTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearPalette(); }
  void TearDown() override { ClearPalette(); }
};

TEST_F(PaletteTest, RecordsPagesAndClassesInRegistrationOrder) {
  const TMetaClass* const standard[] = {&TWidget::MetaClass()};
  const TMetaClass* const extra[] = {&TGizmo::MetaClass()};
  RegisterComponents("Standard", standard);
  RegisterComponents("Extra", extra);
  EXPECT_EQ(CurrentLayout(), (Layout{{"Standard", {"TWidget"}}, {"Extra", {"TGizmo"}}}));
  // Registering for the palette also makes the classes readable from form text.
  EXPECT_EQ(GetClass("TGizmo"), &TGizmo::MetaClass());
}

TEST_F(PaletteTest, RepeatingARegistrationChangesNothing) {
  const TMetaClass* const both[] = {&TWidget::MetaClass(), &TGizmo::MetaClass()};
  const TMetaClass* const gizmo[] = {&TGizmo::MetaClass()};
  RegisterComponents("Standard", both);
  RegisterComponents("Standard", gizmo);
  RegisterComponents("Standard", both);
  EXPECT_EQ(CurrentLayout(), (Layout{{"Standard", {"TWidget", "TGizmo"}}}));
}

TEST_F(PaletteTest, RefusedRegistrationRecordsNothing) {
  const TMetaClass* const widget[] = {&TWidget::MetaClass()};
  RegisterComponents("Standard", widget);
  const Layout before = CurrentLayout();

  // TWidget already lives on Standard; the whole call is refused, TGizmo included.
  const TMetaClass* const moved[] = {&TGizmo::MetaClass(), &TWidget::MetaClass()};
  EXPECT_THROW(RegisterComponents("Other", moved), EComponentError);
  const TMetaClass* const with_null[] = {&TGizmo::MetaClass(), nullptr};
  EXPECT_THROW(RegisterComponents("Other", with_null), EComponentError);
  EXPECT_THROW(RegisterComponents("", widget), EComponentError);
  static const TMetaClass impostor{"TWidget",
                                   &TComponent::MetaClass(),
                                   typeid(TStranger),
                                   [](TComponent* owner) -> TComponent* { return new TStranger(owner); },
                                   {}};
  const TMetaClass* const clash[] = {&impostor};
  EXPECT_THROW(RegisterComponents("Other", clash), EComponentError);
  RegisterComponents("Empty", {});

  EXPECT_EQ(CurrentLayout(), before);
  EXPECT_EQ(GetClass("TWidget"), &TWidget::MetaClass());
}

TEST_F(PaletteTest, ConcurrentRegistrationsAgree) {
  // Several design-time packages may register from different threads; the result must be as if in turn.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      const TMetaClass* const widget[] = {&TWidget::MetaClass()};
      const TMetaClass* const gizmo[] = {&TGizmo::MetaClass()};
      for (int i = 0; i < 200; ++i) {
        RegisterComponents(t % 2 == 0 ? "Standard" : "Extra", t % 2 == 0 ? widget : gizmo);
        (void)GetPalette();
        (void)GetClass("TWidget");
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  Layout layout = CurrentLayout();
  std::sort(layout.begin(), layout.end());
  EXPECT_EQ(layout, (Layout{{"Extra", {"TGizmo"}}, {"Standard", {"TWidget"}}}));
}

TEST_F(PaletteTest, ClearEmptiesThePaletteButKeepsClassesReadable) {
  const TMetaClass* const widget[] = {&TWidget::MetaClass()};
  RegisterComponents("Standard", widget);
  ClearPalette();
  EXPECT_TRUE(GetPalette().empty());
  EXPECT_EQ(GetClass("TWidget"), &TWidget::MetaClass());
  RegisterComponents("Elsewhere", widget);  // after a clear a class may go on another page
  EXPECT_EQ(CurrentLayout(), (Layout{{"Elsewhere", {"TWidget"}}}));
}

}  // namespace
