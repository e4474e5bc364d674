// Image links of kind 1 resolve as module images: the pictures and delays a
// project stores for the link come first, the pack's list only without them.
#include <gtest/gtest.h>

#include "gen_fixtures.h"
#include "particles/generators/air_brushes.h"

using namespace gen_test;

namespace {

using ModuleImages = DeviceTest;

TEST_F(ModuleImages, StoredPicturesWinOverThePack) {
  pw::DocResRecord r;
  auto red = Png(4, 4, [](int, int) { return 0xFFFF0000u; });
  auto blue = Png(4, 2, [](int, int) { return 0xFF0000FFu; });
  r.moduleImages.push_back({u"common_res.dll", 4242, {{4242, u"common_res.dll", u"a.png", red},
                                                      {4242, u"common_res.dll", u"b.png", blue}}});
  r.delays.push_back({u"common_res.dll", 4242, {0.25f, 0.5f}});
  UseDocument(MakeDocument(r));

  DocImage& stored = doc_->LoadModuleImage(DS_FileLink3(DS_ImageFileLink(4242, u"common_res.dll")));
  ASSERT_EQ(stored.textures.size(), 2u);
  EXPECT_NE(stored.textures[0].Get(), nullptr);
  EXPECT_NE(stored.textures[1].Get(), nullptr);
  EXPECT_EQ(stored.delays, (std::vector<float>{0.25f, 0.5f}));
  EXPECT_EQ(stored.width, 4u);

  // Nothing stored and nothing in the pack: an empty image, no crash.
  DocImage& missing = doc_->LoadModuleImage(DS_FileLink3(DS_ImageFileLink(4243, u"common_res.dll")));
  EXPECT_TRUE(missing.textures.empty());

  // A generator whose links are of kind 1 draws with the stored picture.
  DS_CustomAirBrush model;
  model.imageLinkKind = 1;
  model.imageLinks = {DS_ImageFileLink(4242, u"common_res.dll"), DS_ImageFileLink(4243, u"common_res.dll")};
  std::unique_ptr<DS_ABObj> object(model.CreateRuntime());
  auto* g = static_cast<DS_CustomAirBrush*>(static_cast<DS_ParticlesObj*>(object.get())->generator);
  EXPECT_EQ(g->CurrentTexture(0), stored.textures[0].Get());
  EXPECT_EQ(g->CurrentTexture(1), nullptr);
  EXPECT_EQ(g->CurrentTexture(2), nullptr);
}

}  // namespace
