// Form text: the exact written form, round trips of component trees, and clean refusal of malformed text.
#include <gtest/gtest.h>

#include <string>

#include "vcl/Exceptions.h"
#include "vcl/FormText.h"
#include "vcl/TestComponents.h"

namespace {

using namespace std::string_literals;

// Same classes, names, stored property values and ownership, all the way down.
void ExpectSameTree(const TComponent& expected, const TComponent& actual) {
  const TMetaClass* cls = ClassOf(expected);
  ASSERT_NE(cls, nullptr);
  ASSERT_EQ(ClassOf(actual), cls);
  EXPECT_EQ(actual.Name, expected.Name);
  for (const TPropInfo* prop : PublishedProperties(*cls)) {
    if (prop->Stored) {
      EXPECT_EQ(prop->Get(actual), prop->Get(expected)) << expected.Name << "." << prop->Name;
    }
  }
  ASSERT_EQ(actual.GetComponentCount(), expected.GetComponentCount()) << expected.Name;
  for (std::size_t i = 0; i < expected.GetComponentCount(); ++i) {
    EXPECT_EQ(actual.GetComponent(i)->GetOwner(), &actual);
    ExpectSameTree(*expected.GetComponent(i), *actual.GetComponent(i));
  }
}

// Form1 owns W1 (which owns Inner) and an unnamed widget; values chosen to hit defaults, limits and escapes.
struct SampleForm {
  TComponent form{nullptr};
  SampleForm() {
    TWidget::Register();
    form.Name = "Form1";
    form.Tag = 3;
    auto* w1 = new TWidget(&form);
    w1->Name = "W1";
    w1->Caption = "it's\n";
    w1->Enabled = false;
    w1->Hint = "not stored";
    auto* inner = new TWidget(w1);
    inner->Name = "Inner";
    inner->Count = -5;
    auto* unnamed = new TWidget(&form);
    unnamed->Tag = INT32_MIN;
    unnamed->Caption = "c";
    unnamed->Count = INT32_MAX;
  }
};

TEST(FormText, WritesStoredNonDefaultPropertiesInPublishedOrder) {
  SampleForm sample;
  EXPECT_EQ(WriteComponentText(sample.form),
            "object Form1: TComponent\n"
            "  Tag = 3\n"
            "  object W1: TWidget\n"
            "    Caption = 'it''s'#10\n"
            "    Enabled = False\n"
            "    object Inner: TWidget\n"
            "      Caption = ''\n"
            "      Count = -5\n"
            "    end\n"
            "  end\n"
            "  object TWidget\n"
            "    Tag = -2147483648\n"
            "    Caption = 'c'\n"
            "    Count = 2147483647\n"
            "  end\n"
            "end\n");
}

TEST(FormText, ReadingWhatWasWrittenRebuildsTheTree) {
  SampleForm sample;
  const std::string text = WriteComponentText(sample.form);
  const std::unique_ptr<TComponent> read = ReadComponentText(text);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetOwner(), nullptr);
  ExpectSameTree(sample.form, *read);
  // Hint is published but not stored, so it comes back at its constructed value.
  EXPECT_TRUE(static_cast<TWidget*>(read->GetComponent(0))->Hint.empty());
  EXPECT_EQ(WriteComponentText(*read), text);
}

TEST(FormText, ReadsLooserLayout) {
  TWidget::Register();
  const std::unique_ptr<TComponent> read = ReadComponentText(
      "\r\n"
      "\tobject TWidget\r\n"
      "  Caption='x'#0  \r\n"
      "\n"
      "    Count   =   -0\r\n"
      "end");
  auto* w = dynamic_cast<TWidget*>(read.get());
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->Name.empty());
  EXPECT_EQ(w->Caption, "x\0"s);
  EXPECT_EQ(w->Count, 0);
  EXPECT_TRUE(w->Enabled);  // not listed: keeps its constructed value
}

struct MalformedCase {
  const char* what;
  std::string text;
  int line;              // the line the message must name
  const char* fragment;  // part of the message
};

const std::string kFormHead = "object F: TComponent\n";

const MalformedCase kMalformed[] = {
    {"empty text", "", 1, "no object"},
    {"blank lines only", "\n  \n", 3, "no object"},
    {"end first", "end\n", 1, "end without object"},
    {"unknown class", "object F: TNope\nend\n", 1, "TNope is not registered"},
    {"property before any object", "Tag = 1\n", 1, "outside an object"},
    {"unknown property", kFormHead + "  Colour = 1\nend\n", 2, "no published property Colour"},
    {"unstored property", kFormHead + "  Name = 'F'\nend\n", 2, "not stored"},
    {"property twice", kFormHead + "  Tag = 1\n  Tag = 1\nend\n", 3, "set twice"},
    {"bool in lower case", "object W: TWidget\n  Enabled = true\nend\n", 2, "True or False"},
    {"bool as number", "object W: TWidget\n  Enabled = 1\nend\n", 2, "True or False"},
    {"int above range", kFormHead + "  Tag = 2147483648\nend\n", 2, "32-bit"},
    {"int below range", kFormHead + "  Tag = -2147483649\nend\n", 2, "32-bit"},
    {"int with plus", kFormHead + "  Tag = +1\nend\n", 2, "32-bit"},
    {"int with space", kFormHead + "  Tag = 1 2\nend\n", 2, "32-bit"},
    {"int missing", kFormHead + "  Tag =\nend\n", 2, "32-bit"},
    {"int with zero byte", kFormHead + "  Tag = 1\0\nend\n"s, 2, "32-bit"},
    {"string as number", "object W: TWidget\n  Caption = 5\nend\n", 2, "quoted"},
    {"string unterminated", "object W: TWidget\n  Caption = 'abc\nend\n", 2, "unterminated"},
    {"string byte code too big", "object W: TWidget\n  Caption = #300\nend\n", 2, "above 255"},
    {"line that is nothing", kFormHead + "  hello\nend\n", 2, "expected object, end or Property = value"},
    {"missing end", kFormHead + "  object W: TWidget\n  end\n", 4, "missing end"},
    {"extra end", kFormHead + "end\nend\n", 3, "end without object"},
    {"second root", kFormHead + "end\n" + kFormHead + "end\n", 3, "after the end of the root"},
    {"sibling names repeat", kFormHead + "object W: TWidget\nend\nobject W: TWidget\nend\nend\n", 4,
     "second component"},
    {"name not an identifier", "object 1W: TWidget\nend\n", 1, "not an identifier"},
    {"empty name before colon", "object : TWidget\nend\n", 1, "not an identifier"},
    {"class missing", "object W:\nend\n", 1, "needs a class name"},
    {"words after the class", "object W: TWidget extra\nend\n", 1, "needs a class name"},
    {"bad value after components were built",
     kFormHead + "  object A: TWidget\n    Caption = 'k'\n  end\n  object B: TWidget\n    Count = x\n  end\nend\n", 6,
     "32-bit"},
};

TEST(FormText, MalformedTextIsRefusedWithTheLineAndLeavesNothingBehind) {
  TWidget::Register();
  for (const MalformedCase& c : kMalformed) {
    try {
      (void)ReadComponentText(c.text);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const EReadError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("line " + std::to_string(c.line) + ":"), std::string::npos) << c.what << ": " << message;
      EXPECT_NE(message.find(c.fragment), std::string::npos) << c.what << ": " << message;
    }
    // Anything created before the error is freed with the root; LeakSanitizer checks that in the asan build.
  }
}

TEST(FormText, WriterRefusesWhatCouldNotBeReadBack) {
  TWidget::Register();
  {
    TComponent form(nullptr);
    new TStranger(&form);
    EXPECT_THROW((void)WriteComponentText(form), EWriteError);
  }
  {
    TComponent form(nullptr);
    form.Name = "two words";
    EXPECT_THROW((void)WriteComponentText(form), EWriteError);
  }
  {
    TComponent form(nullptr);
    (new TWidget(&form))->Name = "Same";
    (new TWidget(&form))->Name = "Same";
    EXPECT_THROW((void)WriteComponentText(form), EWriteError);
  }
}

TEST(FormText, NestingIsLimitedTheSameWayInBothDirections) {
  TComponent root(nullptr);
  TComponent* deepest = &root;
  for (std::size_t depth = 2; depth <= kMaxFormDepth; ++depth) {
    deepest = new TComponent(deepest);
  }
  const std::string text = WriteComponentText(root);
  const std::unique_ptr<TComponent> read = ReadComponentText(text);
  ExpectSameTree(root, *read);

  new TComponent(deepest);  // one level too many
  EXPECT_THROW((void)WriteComponentText(root), EWriteError);

  std::string too_deep;
  for (std::size_t i = 0; i <= kMaxFormDepth; ++i) {
    too_deep += "object TComponent\n";
  }
  for (std::size_t i = 0; i <= kMaxFormDepth; ++i) {
    too_deep += "end\n";
  }
  EXPECT_THROW((void)ReadComponentText(too_deep), EReadError);
}

}  // namespace
