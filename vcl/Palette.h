// The design-time component palette: pages of component classes, filled by RegisterComponents.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vcl/TypeInfo.h"

struct TPalettePage {
  std::string Name;
  std::vector<const TMetaClass*> Classes;  // in registration order
};

// Puts classes on page (created when first named) and registers them with the class registry so forms holding
// them can be read. A class already on page stays where it is (registering again is harmless); a class already
// on another page, a null entry, a name clash in the class registry or an empty page name throw EComponentError,
// and nothing of the refused call is recorded. An empty list of classes records nothing.
void RegisterComponents(std::string_view page, std::span<const TMetaClass* const> classes);

// A copy of the palette, pages in the order they were first named.
[[nodiscard]] std::vector<TPalettePage> GetPalette();
// Empties the palette (the class registry is left alone), e.g. before a design session reinstalls packages.
void ClearPalette();
