// Owner-based lifetime of the component base.
#include <gtest/gtest.h>

#include <vector>

#include "vcl/Component.h"

namespace {

// Records its destruction so the tests can see who was freed, and in which order.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::vector<int>* log, int id) : TComponent(owner), log_(log), id_(id) {}
  ~Probe() override { log_->push_back(id_); }

 private:
  std::vector<int>* log_;
  int id_;
};

TEST(Component, OwnerDestroysWhatItOwnsNewestFirst) {
  std::vector<int> log;
  auto* owner = new Probe(nullptr, &log, 0);
  auto* a = new Probe(owner, &log, 1);
  new Probe(owner, &log, 2);
  new Probe(a, &log, 3);  // grandchild, freed with its own owner
  EXPECT_EQ(owner->GetComponentCount(), 2u);
  EXPECT_EQ(owner->GetComponent(0), a);
  EXPECT_EQ(a->GetOwner(), owner);
  delete owner;
  EXPECT_EQ(log, (std::vector<int>{0, 2, 1, 3}));
}

TEST(Component, DestroyedFirstLeavesOwnersList) {
  std::vector<int> log;
  Probe owner(nullptr, &log, 0);
  auto* a = new Probe(&owner, &log, 1);
  auto* b = new Probe(&owner, &log, 2);
  delete a;
  ASSERT_EQ(owner.GetComponentCount(), 1u);
  EXPECT_EQ(owner.GetComponent(0), b);
  EXPECT_EQ(log, (std::vector<int>{1}));
}

TEST(Component, InheritedPublishedDefaults) {
  TComponent c(nullptr);
  EXPECT_TRUE(c.Name.empty());
  EXPECT_EQ(c.Tag, 0);
  EXPECT_EQ(c.GetOwner(), nullptr);
  EXPECT_EQ(c.GetComponentCount(), 0u);
}

}  // namespace
