// The headless player run on a project whose slide picture links
// "other_res.dll" with no stored copy: the module's picture when the module
// file lies beside the player, no picture when it does not.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"
#pragma GCC diagnostic pop

#include "tools/writer/docres_writer.h"
#include "tools/writer/pe_module_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/slides_writer.h"

namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// An 8 x 8 picture of one colour, as a BMP.
std::vector<uint8_t> SolidBmp(uint8_t r, uint8_t g, uint8_t b) {
  pw::ByteBuilder bmp;
  bmp.U8('B').U8('M').U32(54 + 8 * 8 * 4).U32(0).U32(54);
  bmp.U32(40).I32(8).I32(8).U16(1).U16(32).U32(0).U32(8 * 8 * 4).I32(2835).I32(2835).U32(0).U32(0);
  for (int i = 0; i < 64; ++i) bmp.U8(b).U8(g).U8(r).U8(255);
  return bmp.bytes();
}

std::vector<uint8_t> Project() {
  pw::LightRecord light;
  light.linkName = u"other_res.dll";
  light.linkId = 40;
  pw::SlideRecord slide;
  pw::WriteLight(slide.renderContext, light);
  pw::SlideShowRecord show;
  show.slides.emplace_back();
  pw::WriteSlide(show.slides.back(), slide);
  pw::ByteBuilder docRes;
  pw::WriteDocResManager(docRes, pw::DocResRecord{});
  return pw::BuildProject(show, docRes).bytes();
}

struct Rgb {
  int r = -1, g = -1, b = -1;
};

// Runs the player's headless runner from `folder` (where it was linked) with
// the current folder elsewhere, and reads the centre of its second frame.
Rgb CentreOfFrame(const fs::path& runner, const fs::path& project, const fs::path& out) {
  const std::string command = "cd / && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \"" + runner.string() +
                              "\" --project \"" + project.string() + "\" --size 64x48 --frames 2 --png 1 --out \"" +
                              out.string() + "\" > /dev/null";
  if (std::system(command.c_str()) != 0) return {};
  int w = 0, h = 0, n = 0;
  unsigned char* px = stbi_load((out / "frame_00001.png").string().c_str(), &w, &h, &n, 3);
  if (!px) return {};
  const unsigned char* p = px + (static_cast<size_t>(h / 2) * w + w / 2) * 3;
  Rgb c{p[0], p[1], p[2]};
  stbi_image_free(px);
  return c;
}

TEST(ModuleBesidePlayer, OtherResPictureShownOnlyWhenBesideThePlayer) {
  const fs::path folder = fs::path(FRAME_RUNNER_BINARY).parent_path() / ("beside_" + std::to_string(getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path runner = folder / "frame_runner";
  std::error_code ec;
  fs::create_hard_link(FRAME_RUNNER_BINARY, runner, ec);
  if (ec) fs::copy_file(FRAME_RUNNER_BINARY, runner);
  const fs::path project = folder / "module_link.qmf";
  WriteFile(project, Project());

  pw::PeModuleResource picture;
  picture.typeName = u"DDS";
  picture.id = 40;
  picture.data = SolidBmp(30, 200, 60);
  WriteFile(folder / "Other_Res.dll", pw::PeModule({picture}).bytes);
  const Rgb with = CentreOfFrame(runner, project, folder);
  EXPECT_NEAR(with.r, 30, 6);
  EXPECT_NEAR(with.g, 200, 6);
  EXPECT_NEAR(with.b, 60, 6);

  fs::remove(folder / "Other_Res.dll");
  fs::remove(folder / "frame_00001.png");
  const Rgb without = CentreOfFrame(runner, project, folder);
  ASSERT_GE(without.g, 0) << "the player runs without the module";
  EXPECT_FALSE(std::abs(without.r - 30) <= 6 && std::abs(without.g - 200) <= 6 && std::abs(without.b - 60) <= 6)
      << "no module: no module picture";
  fs::remove_all(folder);
}

}  // namespace
