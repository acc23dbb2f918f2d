// Fuzz harness for the form-text reader: any text either is refused with EReadError or yields a component
// tree that writes back to text which reads again into the same tree.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "Blowfish.h"
#include "fuzz/Check.h"
#include "fuzz/Harnesses.h"
#include "vcl/ClassRegistry.h"
#include "vcl/Exceptions.h"
#include "vcl/FormText.h"

namespace qx::fuzz {

void read_form_text(const std::uint8_t* data, std::size_t size) {
  static const bool registered = [] {
    RegisterClass(TBlowfish::MetaClass());
    return true;
  }();
  static_cast<void>(registered);

  // A buffer of exactly the input's size, so that reading past the text is caught.
  const std::unique_ptr<char[]> text(new char[size]);
  if (size != 0) std::memcpy(text.get(), data, size);

  std::unique_ptr<TComponent> root;
  try {
    root = ReadComponentText(std::string_view(text.get(), size));
  } catch (const EReadError&) {
    return;  // the documented answer to malformed text; any other exception escapes and is reported
  }
  QX_FUZZ_CHECK(root != nullptr);
  QX_FUZZ_CHECK(root->GetOwner() == nullptr);

  // What was read must be writable (a form that loads but cannot be saved loses data), and what is written
  // must read back to a tree that writes the same text.
  std::string written;
  try {
    written = WriteComponentText(*root);
  } catch (const EWriteError& e) {
    std::fprintf(stderr, "form text read but not writable: %s\n", e.what());
    QX_FUZZ_CHECK(!"a tree read from form text can be written");
  }
  std::unique_ptr<TComponent> reread;
  try {
    reread = ReadComponentText(written);
  } catch (const EReadError& e) {
    std::fprintf(stderr, "written form text not readable: %s\n", e.what());
    QX_FUZZ_CHECK(!"written form text reads back");
  }
  QX_FUZZ_CHECK(WriteComponentText(*reread) == written);
}

}  // namespace qx::fuzz
