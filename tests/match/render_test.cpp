// The pictures of a played match: SVG files that parse as XML, and the game page rendered by
// headless Chromium into a picture that is not blank.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "process_support.h"

#ifdef HAVE_PNG
#include <png.h>
#endif

namespace Match {
namespace {

using namespace Testing;

constexpr const char* kChromium = "/usr/bin/chromium";

#ifdef HAVE_PNG
// Decoded RGBA pixels of a PNG file; empty when it cannot be read.
struct Picture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;
};

Picture ReadPng(const std::string& path) {
  Picture picture;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return picture;
  picture.width = image.width;
  picture.height = image.height;
  picture.rgba = std::move(pixels);
  return picture;
}
#endif

TEST(MatchPictures, SvgPerEndAndAGamePageThatRenders) {
  TempDir dir;
  const std::string pictures = dir / "pictures";
  MatchRun run = RunMatchProgram(
      dir, {"--ends", "2", "--seed", "8", "--pictures", pictures, Engine(), Engine()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  for (const char* name : {"game-01-end-01.svg", "game-01-end-02.svg"}) {
    const std::string path = pictures + "/" + name;
    ASSERT_TRUE(std::filesystem::exists(path)) << name;
    EXPECT_EQ(RunProgram({"/usr/bin/xmllint", "--noout", path}), 0) << name;
    std::string svg = ReadFile(path);
    EXPECT_NE(svg.find("class=\"stone side0\""), std::string::npos);
    EXPECT_NE(svg.find("class=\"stone side1\""), std::string::npos);
  }
  const std::string page = pictures + "/game-01.html";
  ASSERT_TRUE(std::filesystem::exists(page));
  ASSERT_TRUE(std::filesystem::exists(pictures + "/index.html"));
  EXPECT_EQ(RunProgram({"/usr/bin/xmllint", "--noout", page}), 0);

  if (!std::filesystem::exists(kChromium)) GTEST_SKIP() << "chromium is not installed";
  TempDir profile;
  const std::string png = dir / "page.png";
  int status =
      RunProgram({kChromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                  "--no-first-run", "--disable-background-networking", "--disable-component-update",
                  "--disable-sync", "--user-data-dir=" + profile.path().string(),
                  "--screenshot=" + png, "--window-size=900,1200", "file://" + page});
  ASSERT_EQ(status, 0);
  ASSERT_TRUE(std::filesystem::exists(png));
#ifdef HAVE_PNG
  Picture picture = ReadPng(png);
  ASSERT_EQ(picture.width, 900u);
  ASSERT_EQ(picture.height, 1200u);
  // Not blank: many colours, a fair share of the page not white, and the house's blue ring and
  // both sides' stone colours among them.
  std::set<std::uint32_t> colours;
  std::size_t inked = 0;
  bool ring = false;
  bool yellow = false;
  bool red = false;
  auto near = [](const std::uint8_t* p, int r, int g, int b) {
    return std::abs(p[0] - r) < 12 && std::abs(p[1] - g) < 12 && std::abs(p[2] - b) < 12;
  };
  for (std::size_t i = 0; i + 3 < picture.rgba.size(); i += 4) {
    const std::uint8_t* p = &picture.rgba[i];
    colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
    if (p[0] < 240 || p[1] < 240 || p[2] < 240) ++inked;
    ring = ring || near(p, 0x4a, 0x86, 0xd8);
    yellow = yellow || near(p, 0xf2, 0xc2, 0x00);
    red = red || near(p, 0xc6, 0x28, 0x28);
  }
  EXPECT_GT(colours.size(), 20u);
  EXPECT_GT(inked, picture.rgba.size() / 4 / 20);
  EXPECT_TRUE(ring);
  EXPECT_TRUE(yellow);
  EXPECT_TRUE(red);
#else
  EXPECT_GT(std::filesystem::file_size(png), 10000u);
#endif
}

}  // namespace
}  // namespace Match
