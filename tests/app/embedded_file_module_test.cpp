// Embedded files loaded from the built-in resource pack.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "core/embedded_file.h"
#include "resources/builtin_resources.h"

namespace {

std::vector<uint8_t> SourceFile(const char* relative) {
  std::ifstream in(std::filesystem::path(TEST_DATA_DIR) / ".." / ".." / "resources" / relative, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(EmbeddedFileModule, PictureAndEffectComeFromThePackAndUnknownIdsFail) {
  RegisterBuiltInResources();
  struct Case {
    uint32_t id;
    const char* source;  // null: not in the pack
  } cases[] = {
      {5, "images/slide_background.png"},              // type "DDS"
      {202, "common_res/effects/blur_glow_202.fx"},    // RCDATA after "DDS"
      {0x10000 + 5, "images/slide_background.png"},    // only the low 16 bits name the id
      {9999, nullptr},
  };
  for (const Case& c : cases) {
    EmbeddedFile f;
    f.moduleName = u"Common_Res.DLL";
    f.resourceId = c.id;
    f.path = u"kept.png";
    f.Allocate(1)[0] = 0xEE;
    bool loaded = f.LoadFromModule();
    EXPECT_EQ(loaded, c.source != nullptr) << c.id;
    std::vector<uint8_t> got(f.data.get(), f.data.get() + f.size);
    if (c.source) {
      std::vector<uint8_t> expected = SourceFile(c.source);
      ASSERT_FALSE(expected.empty()) << c.source;
      EXPECT_EQ(got, expected) << c.id;
    } else {
      EXPECT_EQ(got, std::vector<uint8_t>{0xEE});
    }
    EXPECT_EQ(f.path, u"kept.png");
  }
}

}  // namespace
