// The test writer's compiled effects are read by the shader library as
// written: names, techniques, passes and translated shaders.
#include <gtest/gtest.h>

#include "tests/platform_fx2/fx2_samples.h"

namespace {

TEST(Fx2WriterTest, TheLibraryReadsEverySample) {
  for (const auto& [name, effect] : fx2_samples::All()) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = pw::WriteFx2(effect);
    pw::Fx2LibraryReport r = pw::Fx2ParseWithLibrary(bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_TRUE(r.parsed) << r.errors;
    std::vector<std::string> params, techniques;
    std::vector<uint32_t> passes;
    uint32_t shaders = 0;
    for (const pw::Fx2Parameter& p : effect.parameters) params.push_back(p.name);
    for (const pw::Fx2Technique& t : effect.techniques) {
      techniques.push_back(t.name);
      passes.push_back(static_cast<uint32_t>(t.passes.size()));
      for (const pw::Fx2Pass& p : t.passes) {
        for (const pw::Fx2State& s : p.states) shaders += s.value.shader.empty() ? 0 : 1;
      }
    }
    EXPECT_EQ(r.parameters, params);
    EXPECT_EQ(r.techniques, techniques);
    EXPECT_EQ(r.passes, passes);
    EXPECT_EQ(r.shaders, shaders);
  }
}

TEST(Fx2WriterTest, AssemblerErrorsComeBackAsText) {
  std::string errors;
  EXPECT_TRUE(pw::AssembleShader("ps_2_0\nfrobnicate r0\n", {}, &errors).empty());
  EXPECT_FALSE(errors.empty());
  std::vector<uint8_t> ok = pw::AssembleShader("ps_2_0\nmov oC0, c0\n");
  ASSERT_GE(ok.size(), 8u);
  EXPECT_EQ(ok[0] | ok[1] << 8 | ok[2] << 16 | ok[3] << 24, 0xFFFF0200);  // ps_2_0 version token
  EXPECT_EQ(ok[ok.size() - 4] | ok[ok.size() - 3] << 8 | ok[ok.size() - 2] << 16 | ok[ok.size() - 1] << 24,
            0x0000FFFF);  // end token
}

}  // namespace
