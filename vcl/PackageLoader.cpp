// Running unit initialisation and finalisation tables in order, with the load count.
#include "vcl/PackageLoader.h"

#include <exception>

int TPackage::InitCount() const {
  std::lock_guard guard(lock_);
  return init_count_;
}

namespace {

// Finalises units [0, count) newest first; every routine runs even if one throws, the first error is kept.
std::exception_ptr FinalizeUnits(std::span<const TUnitInitEntry> units, std::size_t count) noexcept {
  std::exception_ptr first_error;
  while (count > 0) {
    --count;
    if (units[count].Finalize == nullptr) {
      continue;
    }
    try {
      units[count].Finalize();
    } catch (...) {
      if (!first_error) {
        first_error = std::current_exception();
      }
    }
  }
  return first_error;
}

}  // namespace

void LoadPackage(TPackage& package) {
  std::lock_guard guard(package.lock_);
  if (package.init_count_ > 0) {
    ++package.init_count_;
    return;
  }
  const std::span<const TUnitInitEntry> units = package.units_;
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i].Initialize == nullptr) {
      continue;
    }
    try {
      units[i].Initialize();
    } catch (...) {
      // Undo what was done so a failed load leaves no unit half set up; the load error is the one reported.
      (void)FinalizeUnits(units, i);
      throw;
    }
  }
  package.init_count_ = 1;
}

bool UnloadPackage(TPackage& package) {
  std::lock_guard guard(package.lock_);
  if (package.init_count_ == 0) {
    return false;
  }
  if (--package.init_count_ > 0) {
    return true;
  }
  if (std::exception_ptr error = FinalizeUnits(package.units_, package.units_.size())) {
    std::rethrow_exception(error);
  }
  return true;
}
