// Package loading: runs a package's table of unit initialisation and finalisation routines, keeping a count.
#pragma once

#include <mutex>
#include <span>
#include <string_view>

// One unit's routines; either may be null when the unit has nothing to do.
struct TUnitInitEntry {
  std::string_view UnitName;
  void (*Initialize)();
  void (*Finalize)();
};

// A loadable package: its unit table, in initialisation order, and how many loads are not yet unloaded.
class TPackage {
 public:
  TPackage(std::string_view name, std::span<const TUnitInitEntry> units) noexcept : name_(name), units_(units) {}
  TPackage(const TPackage&) = delete;
  TPackage& operator=(const TPackage&) = delete;

  [[nodiscard]] std::string_view Name() const noexcept { return name_; }
  [[nodiscard]] std::span<const TUnitInitEntry> Units() const noexcept { return units_; }
  [[nodiscard]] int InitCount() const;
  [[nodiscard]] bool Loaded() const { return InitCount() > 0; }

 private:
  friend void LoadPackage(TPackage& package);
  friend bool UnloadPackage(TPackage& package);

  std::string_view name_;
  std::span<const TUnitInitEntry> units_;
  mutable std::mutex lock_;
  int init_count_ = 0;
};

// The first load runs every Initialize in table order; later loads only count. If an Initialize throws, the
// units already initialised are finalised in reverse, the package stays unloaded and the exception propagates.
// Routines must not load or unload the package that runs them.
void LoadPackage(TPackage& package);

// The unload matching the last outstanding load runs every Finalize in reverse table order; earlier ones only
// count. Returns false, changing nothing, when the package is not loaded. A throwing Finalize does not stop
// the others; the first exception propagates once all have run, and the package is unloaded either way.
bool UnloadPackage(TPackage& package);
