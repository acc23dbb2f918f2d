// The TBlowfish object as a component: ownership and the wipe of key material on destruction.
#include <gtest/gtest.h>

#include <cstddef>
#include <new>

#include "Blowfish.h"

namespace {

TEST(BlowfishObject, OwnedByAComponent) {
  TComponent form(nullptr);
  auto* bf = new TBlowfish(&form);
  EXPECT_EQ(bf->GetOwner(), &form);
  ASSERT_EQ(form.GetComponentCount(), 1u);
  EXPECT_EQ(form.GetComponent(0), bf);
  // form's destructor frees bf; LeakSanitizer would report it otherwise.
}

TEST(BlowfishObject, DestructorWipesKeyState) {
  alignas(TBlowfish) unsigned char storage[sizeof(TBlowfish)];
  auto* bf = new (storage) TBlowfish(nullptr);
  ASSERT_TRUE(bf->InitializeKey());
  const auto offset = static_cast<std::size_t>(reinterpret_cast<const unsigned char*>(&bf->GetKeyState()) - storage);
  bf->~TBlowfish();
  // The storage outlives the object, so its bytes may still be inspected.
  for (std::size_t i = 0; i < sizeof(qx::cipher::KeyState); ++i) {
    ASSERT_EQ(storage[offset + i], 0) << "key state byte " << i;
  }
}

}  // namespace
