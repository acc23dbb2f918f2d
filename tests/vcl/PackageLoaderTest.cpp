// Loading and unloading a package: unit routines in table order and reverse, the count, and failure rollback.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "vcl/PackageLoader.h"

namespace {

// Routines are plain function pointers, so they report into one log that each test resets.
std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}
int g_fail_init_of = -1;  // index of the unit whose Initialize throws, or -1
int g_fail_fini_of = -1;

template <int Unit>
void Init() {
  if (Unit == g_fail_init_of) {
    throw std::runtime_error("init failed");
  }
  Log().push_back("init " + std::to_string(Unit));
}

template <int Unit>
void Fini() {
  Log().push_back("fini " + std::to_string(Unit));
  if (Unit == g_fail_fini_of) {
    throw std::runtime_error("fini failed");
  }
}

// Unit 2 has no routines of its own, as a unit without initialization section.
const TUnitInitEntry kUnits[] = {
    {"U0", &Init<0>, &Fini<0>},
    {"U1", &Init<1>, &Fini<1>},
    {"U2", nullptr, nullptr},
    {"U3", &Init<3>, &Fini<3>},
};

class PackageLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().clear();
    g_fail_init_of = -1;
    g_fail_fini_of = -1;
  }
  TPackage package_{"Test", kUnits};
};

using Steps = std::vector<std::string>;

TEST_F(PackageLoaderTest, RunsTableInOrderAtLoadAndReverseAtUnload) {
  EXPECT_FALSE(package_.Loaded());
  LoadPackage(package_);
  EXPECT_EQ(Log(), (Steps{"init 0", "init 1", "init 3"}));
  EXPECT_EQ(package_.InitCount(), 1);
  EXPECT_TRUE(UnloadPackage(package_));
  EXPECT_EQ(Log(), (Steps{"init 0", "init 1", "init 3", "fini 3", "fini 1", "fini 0"}));
  EXPECT_FALSE(package_.Loaded());
}

TEST_F(PackageLoaderTest, CountsNestedLoads) {
  LoadPackage(package_);
  LoadPackage(package_);
  EXPECT_EQ(package_.InitCount(), 2);
  EXPECT_TRUE(UnloadPackage(package_));
  EXPECT_TRUE(package_.Loaded());  // loaded twice, unloaded once
  EXPECT_EQ(Log(), (Steps{"init 0", "init 1", "init 3"}));
  EXPECT_TRUE(UnloadPackage(package_));
  EXPECT_FALSE(package_.Loaded());
  EXPECT_EQ(Log().size(), 6u);

  // Unloading what is not loaded is refused and runs nothing.
  EXPECT_FALSE(UnloadPackage(package_));
  EXPECT_EQ(package_.InitCount(), 0);
  EXPECT_EQ(Log().size(), 6u);

  // A fresh load after a full unload initialises again.
  LoadPackage(package_);
  EXPECT_EQ(Log().size(), 9u);
  EXPECT_TRUE(UnloadPackage(package_));
}

TEST_F(PackageLoaderTest, FailedInitialisationUndoesWhatRan) {
  g_fail_init_of = 3;
  EXPECT_THROW(LoadPackage(package_), std::runtime_error);
  EXPECT_EQ(Log(), (Steps{"init 0", "init 1", "fini 1", "fini 0"}));
  EXPECT_FALSE(package_.Loaded());

  g_fail_init_of = -1;
  Log().clear();
  LoadPackage(package_);  // the failure left nothing behind that blocks a later load
  EXPECT_EQ(Log(), (Steps{"init 0", "init 1", "init 3"}));
  EXPECT_TRUE(UnloadPackage(package_));
}

TEST_F(PackageLoaderTest, FailingFinalisationStillRunsTheRest) {
  LoadPackage(package_);
  g_fail_fini_of = 1;
  EXPECT_THROW((void)UnloadPackage(package_), std::runtime_error);
  EXPECT_EQ(Log(), (Steps{"init 0", "init 1", "init 3", "fini 3", "fini 1", "fini 0"}));
  EXPECT_FALSE(package_.Loaded());
}

}  // namespace
