// Allocation-failure injection for the test binary: count a call's allocations and make the k-th one fail.
#pragma once

#include <cstddef>

namespace qx::test::alloc {

struct Report {
  std::size_t allocations;  // malloc/calloc/realloc calls while armed, the failed one included
  std::size_t live;         // blocks allocated while armed and not yet freed
  bool failed;              // the fail_at-th allocation was reached and refused
};

// Starts counting; the fail_at-th allocation (1-based) returns null, 0 means none does.
void Arm(std::size_t fail_at);
// Stops counting and failing, and reports what happened since Arm.
[[nodiscard]] Report Disarm();

}  // namespace qx::test::alloc
