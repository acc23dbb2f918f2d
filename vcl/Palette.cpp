// The component palette, guarded by one mutex.
#include "vcl/Palette.h"

#include <algorithm>
#include <mutex>

#include "vcl/ClassRegistry.h"
#include "vcl/Exceptions.h"

namespace {

struct Palette {
  std::mutex lock;
  std::vector<TPalettePage> pages;
};

Palette& ThePalette() {
  static Palette palette;
  return palette;
}

const TPalettePage* PageHolding(const std::vector<TPalettePage>& pages, const TMetaClass* cls) {
  for (const TPalettePage& page : pages) {
    if (std::find(page.Classes.begin(), page.Classes.end(), cls) != page.Classes.end()) {
      return &page;
    }
  }
  return nullptr;
}

}  // namespace

void RegisterComponents(std::string_view page, std::span<const TMetaClass* const> classes) {
  Palette& palette = ThePalette();
  std::lock_guard guard(palette.lock);
  if (page.empty()) {
    throw EComponentError("palette page name is empty");
  }
  // Check everything first so a refused call leaves no partial registration behind.
  for (const TMetaClass* cls : classes) {
    if (cls == nullptr) {
      throw EComponentError("null class record for palette page " + std::string(page));
    }
    const TPalettePage* holder = PageHolding(palette.pages, cls);
    if (holder != nullptr && holder->Name != page) {
      throw EComponentError("class " + std::string(cls->ClassName) + " is already on palette page " + holder->Name);
    }
    const TMetaClass* known = GetClass(cls->ClassName);
    if (known != nullptr && known != cls) {
      throw EComponentError("a different class named " + std::string(cls->ClassName) + " is already registered");
    }
  }
  if (classes.empty()) {
    return;
  }
  RegisterClasses(classes);
  auto target = std::find_if(palette.pages.begin(), palette.pages.end(),
                             [page](const TPalettePage& p) { return p.Name == page; });
  if (target == palette.pages.end()) {
    target = palette.pages.insert(palette.pages.end(), TPalettePage{std::string(page), {}});
  }
  for (const TMetaClass* cls : classes) {
    if (std::find(target->Classes.begin(), target->Classes.end(), cls) == target->Classes.end()) {
      target->Classes.push_back(cls);
    }
  }
}

std::vector<TPalettePage> GetPalette() {
  Palette& palette = ThePalette();
  std::lock_guard guard(palette.lock);
  return palette.pages;
}

void ClearPalette() {
  Palette& palette = ThePalette();
  std::lock_guard guard(palette.lock);
  palette.pages.clear();
}
