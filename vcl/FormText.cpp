// Writer and reader of form text over the class registry and published-property metadata.
#include "vcl/FormText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <set>
#include <vector>

#include "cipher/SecureWipe.h"
#include "vcl/ClassRegistry.h"
#include "vcl/Exceptions.h"
#include "vcl/QuotedString.h"

namespace {

// String properties carry Key, so temporary copies of their values are wiped before release.
void WipeString(std::string& s) noexcept {
  s.resize(s.capacity());
  qx::secure_wipe(s.data(), s.size());
  s.clear();
}

void WipeValue(TPropValue& value) noexcept {
  if (auto* s = std::get_if<AnsiString>(&value)) {
    WipeString(*s);
  }
}

class WipedString {
 public:
  explicit WipedString(std::string s) : s_(std::move(s)) {}
  ~WipedString() { WipeString(s_); }
  WipedString(const WipedString&) = delete;
  WipedString& operator=(const WipedString&) = delete;
  [[nodiscard]] const std::string& get() const noexcept { return s_; }

 private:
  std::string s_;
};

class WipedValue {
 public:
  explicit WipedValue(TPropValue v) : v_(std::move(v)) {}
  ~WipedValue() { WipeValue(v_); }
  WipedValue(const WipedValue&) = delete;
  WipedValue& operator=(const WipedValue&) = delete;
  [[nodiscard]] const TPropValue& get() const noexcept { return v_; }

 private:
  TPropValue v_;
};

[[nodiscard]] bool IsIdentifier(std::string_view s) noexcept {
  if (s.empty()) {
    return false;
  }
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!letter(s.front())) {
    return false;
  }
  return std::all_of(s.begin() + 1, s.end(), [&](char c) { return letter(c) || digit(c); });
}

// ---- writing

// Appends so that growing never leaves an unwiped copy of the text (it holds Key) in freed memory.
void AppendWiping(std::string& out, std::string_view piece) {
  if (piece.size() > out.capacity() - out.size()) {
    std::string grown;
    grown.reserve(std::max(2 * out.capacity(), out.size() + piece.size()));
    grown.append(out);
    WipeString(out);
    out.swap(grown);
  }
  out.append(piece);
}

std::string FormatValue(const TPropValue& value) {
  switch (TypeOf(value)) {
    case TPropType::Boolean:
      return std::get<bool>(value) ? "True" : "False";
    case TPropType::Integer:
      return std::to_string(std::get<std::int32_t>(value));
    case TPropType::String:
      return QuoteString(std::get<AnsiString>(value));
  }
  return {};
}

void CheckOwnedNames(const TComponent& owner) {
  std::set<std::string_view> names;
  for (std::size_t i = 0; i < owner.GetComponentCount(); ++i) {
    const AnsiString& name = owner.GetComponent(i)->Name;
    if (!name.empty() && !names.insert(name).second) {
      throw EWriteError("two components owned by one owner are both named " + name);
    }
  }
}

void WriteComponent(std::string& out, const TComponent& component, std::size_t depth) {
  if (depth > kMaxFormDepth) {
    throw EWriteError("components nest deeper than the form text allows");
  }
  const TMetaClass* cls = ClassOf(component);
  if (cls == nullptr) {
    throw EWriteError("the class of component " + component.Name + " is not registered");
  }
  if (!component.Name.empty() && !IsIdentifier(component.Name)) {
    throw EWriteError("component name is not an identifier");
  }
  const std::string indent(2 * (depth - 1), ' ');
  std::string header = indent + "object ";
  if (!component.Name.empty()) {
    header += component.Name + ": ";
  }
  header += std::string(cls->ClassName) + "\n";
  AppendWiping(out, header);
  for (const TPropInfo* prop : PublishedProperties(*cls)) {
    if (!prop->Stored) {
      continue;
    }
    const WipedValue value(prop->Get(component));
    if (prop->Default.has_value() && *prop->Default == value.get()) {
      continue;
    }
    // Appended piece by piece: joining a line first would leave copies of a Key in temporaries.
    const WipedString formatted(FormatValue(value.get()));
    AppendWiping(out, indent);
    AppendWiping(out, "  ");
    AppendWiping(out, prop->Name);
    AppendWiping(out, " = ");
    AppendWiping(out, formatted.get());
    AppendWiping(out, "\n");
  }
  CheckOwnedNames(component);
  for (std::size_t i = 0; i < component.GetComponentCount(); ++i) {
    WriteComponent(out, *component.GetComponent(i), depth + 1);
  }
  AppendWiping(out, indent + "end\n");
}

// ---- reading

[[nodiscard]] std::string_view Trim(std::string_view s) noexcept {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) {
    s.remove_prefix(1);
  }
  while (!s.empty() && blank(s.back())) {
    s.remove_suffix(1);
  }
  return s;
}

// One component being read: its properties already set and the names of what it owns, both to refuse repeats.
struct OpenObject {
  TComponent* component;
  const TMetaClass* cls;
  std::set<std::string_view> assigned;
  std::set<std::string, std::less<>> child_names;
};

class FormReader {
 public:
  explicit FormReader(std::string_view text) : text_(text) {}

  std::unique_ptr<TComponent> Read() {
    std::size_t pos = 0;
    while (pos <= text_.size()) {
      std::size_t end = text_.find('\n', pos);
      if (end == std::string_view::npos) {
        end = text_.size();
      }
      std::string_view line = text_.substr(pos, end - pos);
      ++line_number_;
      pos = end + 1;
      if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
      }
      line = Trim(line);
      if (!line.empty()) {
        ReadLine(line);
      }
    }
    if (!open_.empty()) {
      Fail("missing end of object " + open_.back().component->Name);
    }
    if (root_ == nullptr) {
      Fail("no object in the text");
    }
    return std::move(root_);
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const {
    throw EReadError("form text line " + std::to_string(line_number_) + ": " + why);
  }

  void ReadLine(std::string_view line) {
    if (line == "end") {
      if (open_.empty()) {
        Fail("end without object");
      }
      open_.pop_back();
      return;
    }
    if (line.starts_with("object") && (line.size() == 6 || line[6] == ' ' || line[6] == '\t')) {
      ReadObjectHeader(Trim(line.substr(6)));
      return;
    }
    ReadProperty(line);
  }

  void ReadObjectHeader(std::string_view rest) {
    if (root_ != nullptr && open_.empty()) {
      Fail("text after the end of the root object");
    }
    if (open_.size() >= kMaxFormDepth) {
      Fail("objects nest deeper than the form text allows");
    }
    std::string_view name;
    std::string_view class_name = rest;
    if (const std::size_t colon = rest.find(':'); colon != std::string_view::npos) {
      name = Trim(rest.substr(0, colon));
      class_name = Trim(rest.substr(colon + 1));
      if (!IsIdentifier(name)) {
        Fail("object name is not an identifier");
      }
    }
    if (!IsIdentifier(class_name)) {
      Fail("object header needs a class name: object Name: TClass");
    }
    const TMetaClass* cls = GetClass(class_name);
    if (cls == nullptr) {
      Fail("class " + std::string(class_name) + " is not registered");
    }
    if (!name.empty() && !open_.empty() && !open_.back().child_names.emplace(name).second) {
      Fail("a second component named " + std::string(name));
    }
    TComponent* owner = open_.empty() ? nullptr : open_.back().component;
    TComponent* created = cls->Create(owner);
    if (owner == nullptr) {
      root_.reset(created);  // from here on the root owns everything read, so an error frees it all
    }
    created->Name = std::string(name);
    open_.push_back(OpenObject{created, cls, {}, {}});
  }

  void ReadProperty(std::string_view line) {
    if (open_.empty()) {
      Fail("property outside an object");
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      Fail("expected object, end or Property = value");
    }
    const std::string_view name = Trim(line.substr(0, eq));
    const std::string_view text = Trim(line.substr(eq + 1));
    OpenObject& object = open_.back();
    const TPropInfo* prop = IsIdentifier(name) ? FindPublishedProperty(*object.cls, name) : nullptr;
    if (prop == nullptr) {
      Fail(std::string(object.cls->ClassName) + " has no published property " + std::string(name));
    }
    if (!prop->Stored) {
      Fail("property " + std::string(name) + " is not stored");
    }
    if (!object.assigned.insert(prop->Name).second) {
      Fail("property " + std::string(name) + " set twice");
    }
    WipedValue value(ParseValue(prop->Type, text));
    prop->Set(*object.component, value.get());
  }

  TPropValue ParseValue(TPropType type, std::string_view text) const {
    switch (type) {
      case TPropType::Boolean:
        if (text == "True") {
          return true;
        }
        if (text == "False") {
          return false;
        }
        Fail("expected True or False");
      case TPropType::Integer: {
        std::int32_t n = 0;
        const char* first = text.data();
        const char* last = text.data() + text.size();
        // from_chars refuses '+', spaces and out-of-range values instead of wrapping.
        const auto [ptr, ec] = std::from_chars(first, last, n);
        if (text.empty() || ec != std::errc{} || ptr != last) {
          Fail("expected a 32-bit decimal integer");
        }
        return n;
      }
      case TPropType::String: {
        TQuotedStringParse parsed = ParseQuotedString(text);
        if (!parsed.Error.empty()) {
          const std::string why(parsed.Error);
          WipeString(parsed.Value);
          Fail(why);
        }
        TPropValue value(std::move(parsed.Value));
        return value;
      }
    }
    Fail("property of unknown type");
  }

  std::string_view text_;
  std::size_t line_number_ = 0;
  std::unique_ptr<TComponent> root_;
  std::vector<OpenObject> open_;
};

}  // namespace

std::string WriteComponentText(const TComponent& root) {
  std::string out;
  try {
    WriteComponent(out, root, 1);
  } catch (...) {
    WipeString(out);  // a partial text may already hold a Key
    throw;
  }
  return out;
}

std::unique_ptr<TComponent> ReadComponentText(std::string_view text) { return FormReader(text).Read(); }
