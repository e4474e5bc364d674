// The Forest slide on a 16:9 screen, played by the frame runner program: its
// wide picture leaves no black side bars.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/sample/sample_project.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace {

TEST(SampleForestWide, NoBlackColumnWiderThanATenthOfA16By9Frame) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("forest_wide_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  sample::Description d = sample::TheSample();
  std::vector<sample::Slide> kept;
  for (const sample::Slide& s : d.slides)
    if (s.name == u"Forest") kept.push_back(s);
  ASSERT_EQ(kept.size(), 1u);
  d.slides = kept;
  const std::vector<uint8_t> bytes = sample::BuildProject(d);
  std::ofstream((dir / "forest.dds").string(), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                       static_cast<std::streamsize>(bytes.size()));
  // Two seconds in: past the fade-in, the camera wandering.
  const std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout 120 " +
                              std::string(FRAME_RUNNER_BINARY) + " --project '" + (dir / "forest.dds").string() +
                              "' --size 320x180 --frames 21 --step 0.1 --png 20 --out '" + dir.string() +
                              "' > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  int w = 0, h = 0, n = 0;
  unsigned char* px = stbi_load((dir / "frame_00020.png").string().c_str(), &w, &h, &n, 3);
  ASSERT_NE(px, nullptr);
  ASSERT_EQ(w, 320);
  ASSERT_EQ(h, 180);
  int run = 0, widest = 0;
  for (int x = 0; x < w; ++x) {
    bool black = true;
    for (int y = 0; y < h && black; ++y) {
      const unsigned char* p = px + (static_cast<size_t>(y) * w + x) * 3;
      black = p[0] < 8 && p[1] < 8 && p[2] < 8;
    }
    run = black ? run + 1 : 0;
    widest = std::max(widest, run);
  }
  stbi_image_free(px);
  std::filesystem::remove_all(dir);
  EXPECT_LE(widest, w / 10);
  EXPECT_EQ(widest, 0) << "the picture is wider than 16:9";
}

}  // namespace
