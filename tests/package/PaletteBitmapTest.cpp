// The embedded palette bitmap "TBLOWFISH": a well-formed 24 x 24, 4 bpp, 16-colour, uncompressed BMP.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <span>
#include <vector>

#include "envelope/Format.h"
#include "package/PackageInfo.h"
#include "package/PackageResources.h"

namespace {

using qx::envelope::load_le32;

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) { return load_le32(b.data() + at); }

// The standard 16-colour palette from its rule: bits 0..2 of the index give red, green, blue at 0x80 (dark
// half) or 0xFF (bright half), except index 7 (silver C0C0C0) and 8 (gray 808080).
std::array<std::uint8_t, 3> StandardColour(unsigned i) {
  if (i == 7) {
    return {0xC0, 0xC0, 0xC0};
  }
  if (i == 8) {
    return {0x80, 0x80, 0x80};
  }
  const std::uint8_t level = i < 8 ? 0x80 : 0xFF;
  auto channel = [&](unsigned bit) { return static_cast<std::uint8_t>((i & bit) != 0 ? level : 0); };
  return {channel(1), channel(2), channel(4)};
}

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;
constexpr std::uint32_t kSide = 24;
constexpr std::uint32_t kRowBytes = 12;  // 24 pixels of 4 bits is 96 bits, already a multiple of 32

std::span<const std::uint8_t> Bitmap() {
  const auto found = qx::package::FindResource(qx::package::kPaletteBitmapResource);
  if (!found) {
    ADD_FAILURE() << "no TBLOWFISH resource";
    return {};
  }
  return *found;
}

TEST(PaletteBitmap, StandardPalette) {
  // Spot checks of the rule against colours everybody knows by name.
  EXPECT_EQ(StandardColour(0), (std::array<std::uint8_t, 3>{0, 0, 0}));            // black
  EXPECT_EQ(StandardColour(1), (std::array<std::uint8_t, 3>{0x80, 0, 0}));         // maroon
  EXPECT_EQ(StandardColour(6), (std::array<std::uint8_t, 3>{0, 0x80, 0x80}));      // teal
  EXPECT_EQ(StandardColour(11), (std::array<std::uint8_t, 3>{0xFF, 0xFF, 0}));     // yellow
  EXPECT_EQ(StandardColour(13), (std::array<std::uint8_t, 3>{0xFF, 0, 0xFF}));     // fuchsia
  EXPECT_EQ(StandardColour(15), (std::array<std::uint8_t, 3>{0xFF, 0xFF, 0xFF}));  // white
}

TEST(PaletteBitmap, HeadersDescribeA24By24FourBitUncompressedImage) {
  const std::span<const std::uint8_t> bmp = Bitmap();
  ASSERT_GE(bmp.size(), kFileHeader + kInfoHeader);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(Le32(bmp, 2), bmp.size());  // file size
  EXPECT_EQ(Le32(bmp, 6), 0u);          // reserved
  const std::uint32_t pixel_offset = Le32(bmp, 10);
  EXPECT_EQ(pixel_offset, kFileHeader + kInfoHeader + 16 * 4);

  EXPECT_EQ(Le32(bmp, 14), kInfoHeader);
  EXPECT_EQ(Le32(bmp, 18), kSide);  // width
  EXPECT_EQ(Le32(bmp, 22), kSide);  // height, positive: rows stored bottom-up
  EXPECT_EQ(Le16(bmp, 26), 1u);     // planes
  EXPECT_EQ(Le16(bmp, 28), 4u);     // bits per pixel
  EXPECT_EQ(Le32(bmp, 30), 0u);     // BI_RGB, no compression
  EXPECT_EQ(Le32(bmp, 34), kRowBytes * kSide);
  EXPECT_EQ(Le32(bmp, 46), 16u);  // colours used

  ASSERT_LE(pixel_offset, bmp.size());
  EXPECT_EQ(bmp.size() - pixel_offset, kRowBytes * kSide);  // pixels run exactly to the end of the file
  EXPECT_EQ(bmp.size(), 406u);
}

TEST(PaletteBitmap, PaletteIsTheStandardSixteenColours) {
  const std::span<const std::uint8_t> bmp = Bitmap();
  ASSERT_GE(bmp.size(), kFileHeader + kInfoHeader + 16 * 4);
  for (unsigned i = 0; i < 16; ++i) {
    const std::size_t at = kFileHeader + kInfoHeader + 4 * i;
    const auto rgb = StandardColour(i);
    // Entries are stored blue, green, red, reserved.
    EXPECT_EQ(bmp[at + 0], rgb[2]) << "colour " << i;
    EXPECT_EQ(bmp[at + 1], rgb[1]) << "colour " << i;
    EXPECT_EQ(bmp[at + 2], rgb[0]) << "colour " << i;
    EXPECT_EQ(bmp[at + 3], 0) << "colour " << i;
  }
}

TEST(PaletteBitmap, HoldsAPictureOnATransparentBackground) {
  const std::span<const std::uint8_t> bmp = Bitmap();
  ASSERT_EQ(bmp.size(), 406u);
  const std::size_t pixels = Le32(bmp, 10);
  auto pixel = [&](std::uint32_t x, std::uint32_t bottom_up_row) {
    const std::uint8_t b = bmp[pixels + bottom_up_row * kRowBytes + x / 2];
    return (x % 2 == 0) ? (b >> 4) : (b & 0x0F);
  };
  // The palette takes the lower-left pixel as the transparent colour; a picture must use other colours too.
  const int background = pixel(0, 0);
  int drawn = 0;
  std::array<bool, 16> used{};
  for (std::uint32_t y = 0; y < kSide; ++y) {
    for (std::uint32_t x = 0; x < kSide; ++x) {
      const int p = pixel(x, y);
      used[static_cast<std::size_t>(p)] = true;
      drawn += (p != background) ? 1 : 0;
    }
  }
  EXPECT_GT(drawn, 50);
  EXPECT_LT(drawn, static_cast<int>(kSide * kSide) - 50);
  EXPECT_GE(std::count(used.begin(), used.end(), true), 3);
}

TEST(PaletteBitmap, EmbeddedBytesAreTheCommittedFile) {
  std::ifstream in(QX_PALETTE_BITMAP_FILE, std::ios::binary);
  ASSERT_TRUE(in) << QX_PALETTE_BITMAP_FILE;
  const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::span<const std::uint8_t> bmp = Bitmap();
  EXPECT_TRUE(std::equal(bmp.begin(), bmp.end(), file.begin(), file.end()));
}

TEST(PackageResources, FindsResourcesByNameInAnyCase) {
  const auto upper = qx::package::FindResource("TBLOWFISH");
  const auto lower = qx::package::FindResource("tblowfish");
  ASSERT_TRUE(upper && lower);
  EXPECT_EQ(upper->data(), lower->data());

  const auto description = qx::package::FindResource("Description");
  ASSERT_TRUE(description);
  const std::string_view text(reinterpret_cast<const char*>(description->data()), description->size());
  EXPECT_EQ(text, qx::package::Description().Description);

  EXPECT_FALSE(qx::package::FindResource("TBLOWFISH2"));
  EXPECT_FALSE(qx::package::FindResource(""));
}

}  // namespace
