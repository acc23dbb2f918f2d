// malloc, calloc, realloc and free of this test binary, routed through counters that can refuse an allocation.
//
// Mechanism: the binary is linked with --wrap=malloc (and calloc, realloc, free), so every reference to these
// functions from the objects linked into it (the static library, zlib's allocations included because the
// library hands zlib its own zalloc, and the tests) goes to __wrap_X here, and __real_X reaches whatever malloc
// the process really has. Replacing malloc outright would fight AddressSanitizer, which supplies its own; with
// the wrap, the normal build forwards to glibc and the sanitizer build to ASan's allocator, which still sees
// every block and still reports leaks and overruns.
#include "alloc/FailingAllocator.h"

#include <cstddef>

extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);
void __real_free(void* block);
}

namespace {

// Blocks live at once during one armed call stay few; a fixed table keeps the allocator free of allocation.
constexpr std::size_t kMaxTracked = 256;

struct State {
  bool armed = false;
  std::size_t fail_at = 0;
  std::size_t count = 0;
  bool failed = false;
  bool overflow = false;
  void* tracked[kMaxTracked] = {};
};
State state;

// Counts one allocation; true when this one must fail.
bool CountAndDecide() {
  if (!state.armed) return false;
  ++state.count;
  if (state.count == state.fail_at) {
    state.failed = true;
    return true;
  }
  return false;
}

void Track(void* block) {
  if (!state.armed || block == nullptr) return;
  for (void*& slot : state.tracked) {
    if (slot == nullptr) {
      slot = block;
      return;
    }
  }
  state.overflow = true;
}

void Untrack(void* block) {
  if (block == nullptr) return;
  for (void*& slot : state.tracked) {
    if (slot == block) {
      slot = nullptr;
      return;
    }
  }
}

}  // namespace

extern "C" {

void* __wrap_malloc(std::size_t size) {
  if (CountAndDecide()) return nullptr;
  void* block = __real_malloc(size);
  Track(block);
  return block;
}

void* __wrap_calloc(std::size_t count, std::size_t size) {
  if (CountAndDecide()) return nullptr;
  void* block = __real_calloc(count, size);
  Track(block);
  return block;
}

void* __wrap_realloc(void* block, std::size_t size) {
  if (CountAndDecide()) return nullptr;  // a failed realloc leaves the old block alive, as the real one does
  void* moved = __real_realloc(block, size);
  if (moved != nullptr || size == 0) Untrack(block);
  Track(moved);
  return moved;
}

void __wrap_free(void* block) {
  Untrack(block);
  __real_free(block);
}

}  // extern "C"

namespace qx::test::alloc {

void Arm(std::size_t fail_at) {
  state = State{};
  state.armed = true;
  state.fail_at = fail_at;
}

Report Disarm() {
  state.armed = false;
  std::size_t live = 0;
  for (void* slot : state.tracked) live += slot != nullptr ? 1 : 0;
  if (state.overflow) live += kMaxTracked;  // too many to follow: report as leaking rather than hide it
  return Report{state.count, live, state.failed};
}

}  // namespace qx::test::alloc
