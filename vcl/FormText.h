// Form text: writing a component tree through its published properties and reading it back.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "vcl/Component.h"

// Components nest at most this deep (the root is depth 1), in both directions, so hostile text cannot exhaust
// the stack when the tree is destroyed.
inline constexpr std::size_t kMaxFormDepth = 32;

// Writes root and, nested inside it, every component it owns (recursively), in ownership order:
//
//   object Form1: TComponent
//     object Blowfish1: TBlowfish
//       Key = 'secret'#0'x'
//       Crc_Check = True
//     end
//   end
//
// A component with an empty Name is written as "object TClass". Properties come in published order, one line
// each; those not stored, and those equal to their recorded default, are left out. Values: True/False,
// decimal integers, strings as QuoteString writes them. The text holds the stored Key in clear, as the form
// always has. Throws EWriteError for an unregistered class, a Name that is not an identifier, two owned
// components with the same Name, or nesting deeper than kMaxFormDepth.
[[nodiscard]] std::string WriteComponentText(const TComponent& root);

// Reads what WriteComponentText writes: creates each component by class name through the class registry with
// its enclosing component as owner, sets its Name and the properties listed, and returns the root, which has
// no owner. Blank lines, indentation and a CR before each line feed are accepted. Anything else malformed
// (unknown class or property, a property listed twice or not stored, a value of the wrong form or out of
// range, a missing or extra end, text after the root) throws EReadError naming the line; nothing built
// before the error survives it.
[[nodiscard]] std::unique_ptr<TComponent> ReadComponentText(std::string_view text);
