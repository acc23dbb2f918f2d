// The text qxenv inspect prints for one envelope.
#pragma once

#include <string>

#include "api/Envelope.h"

namespace qxenv {

// Several "name: value" lines, each ending in a newline; `name` is the file the envelope came from.
[[nodiscard]] std::string describe_envelope(const std::string& name, const qx::EnvelopeInfo& info);

}  // namespace qxenv
