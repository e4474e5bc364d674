// The slide render context's draw entries on a headless device: every pass of
// an effect, a missing effect skipping its draw, the flag blend override,
// quad ranges, techniques by name, meshes per sub-frame and screen quads.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/d3dx9/d3dx9_effect.h"
#include "player/slide_render_context.h"
#include "player/slide_show.h"
#include "render_fixtures.h"

using namespace render_test;

namespace {

constexpr D3DCOLOR kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

const char kEffect[] = R"(effect 1
float4 Color = 1 0 0 1

program Flat
void main() { o_color = Color; }
end

program Green
void main() { o_color = vec4(0.0, 1.0, 0.0, 1.0); }
end

technique Solid
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    fragment Flat
  end
end

technique MakeGreen
  pass P0
    fragment Green
  end
end
)";

class DrawEntries : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    pw::DocResRecord r;
    r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", Png(32, 16, [](int, int) { return kBlue; })}}});
    UseDocument(MakeDocument(r));
    light_ = std::make_unique<DS_2D_Light>();
    light_->backgroundLink.name = u"bg.png";
    light_->backgroundLink.id = 1;
    light_->BeginSlide();
    QuadCorners screen;
    screen.SetRect(kBack, kBack);
    light_->SetupView(screen);
    light_->SetViewMode(kFitLetterbox);  // scene pixel = 2 x 2 screen pixels, from y 16
    light_->RestartCamera(1);
    light_->OnResetDevice();
    ASSERT_EQ(D3DXCreateEffect(dev_, kEffect, sizeof kEffect - 1, nullptr, nullptr, 0, nullptr, &effect_, nullptr),
              D3D_OK);
  }
  void TearDown() override {
    if (effect_) effect_->Release();
    light_.reset();
    RenderTest::TearDown();
  }

  // Background, then draw(), then read back.
  template <class F>
  Pixels Frame(F&& draw) {
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    light_->ClearBackground(0);
    draw();
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    return ReadBackBuffer();
  }

  // Screen pixel of scene point (x, y).
  D3DCOLOR At(const Pixels& px, float x, float y) {
    return px.at(static_cast<UINT>(x * 2), static_cast<UINT>(16 + y * 2));
  }

  ComPtr<IDirect3DTexture9> WhiteTexture(D3DCOLOR colour = 0xFFFFFFFF) {
    ComPtr<IDirect3DTexture9> t;
    dev_->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, t.ReleaseAndGetAddressOf(), nullptr);
    D3DLOCKED_RECT lr{};
    t->LockRect(0, &lr, nullptr, 0);
    *static_cast<uint32_t*>(lr.pBits) = colour;
    t->UnlockRect(0);
    return t;
  }

  // Three quads 8 x 8 at scene x 0, 10, 20 in red, green, blue.
  void FillQuads(DS_IndexedMesh<DX_V::PCT>& batch) {
    ASSERT_TRUE(batch.Allocate(3));
    auto* v = batch.LockVertices();
    const D3DCOLOR colours[3] = {kRed, kGreen, kBlue};
    for (int q = 0; q < 3; ++q) {
      float x = 10.0f * q;
      const float pos[4][2] = {{x, 0}, {x + 8, 0}, {x, 8}, {x + 8, 8}};
      for (int k = 0; k < 4; ++k) v[q * 4 + k] = DX_V::PCT{pos[k][0], pos[k][1], 0, colours[q], 0.5f, 0.5f};
    }
    batch.Unlock();
  }

  std::unique_ptr<DS_2D_Light> light_;
  ID3DXEffect* effect_ = nullptr;
};

TEST_F(DrawEntries, GeometryDrawsOncePerPassAndSkipsWithoutEffect) {
  Pixels px = Frame([&] { light_->DrawGeometry(light_->GetScreenQuad(), &effect_); });
  EXPECT_TRUE(Near(At(px, 16, 8), kRed));
  EXPECT_TRUE(Near(px.at(32, 4), 0xFF000000)) << "only the scene";

  ID3DXEffect* none = nullptr;
  px = Frame([&] {
    light_->DrawGeometry(light_->GetScreenQuad(), &none);
    light_->DrawGeometry(light_->GetScreenQuad(), nullptr);
    light_->DrawIndexed(nullptr, &effect_);
    light_->DrawColoredIndexed(nullptr, nullptr);
    light_->DrawWithTechnique(nullptr, &none, "Solid", 2);
  });
  EXPECT_TRUE(Near(At(px, 16, 8), kBlue)) << "a missing effect draws nothing";
}

TEST_F(DrawEntries, FlagBlendOverride) {
  struct Case {
    uint32_t flags;
    D3DCOLOR expected;  // half-transparent red over blue
  };
  const Case cases[] = {
      {0, D3DCOLOR_XRGB(128, 0, 127)},
      {kLightFreshRun, D3DCOLOR_XRGB(255, 0, 0)},
      {kLightFreshStep, D3DCOLOR_XRGB(255, 0, 0)},
      {kLightPremultiplied, D3DCOLOR_XRGB(255, 0, 127)},
      {kLightBlurTarget, D3DCOLOR_XRGB(128, 0, 127)},
  };
  const float half[4] = {1, 0, 0, 0.5f};
  effect_->SetFloatArray("Color", half, 4);
  for (const Case& c : cases) {
    light_->flags = c.flags;
    Pixels px = Frame([&] { light_->DrawGeometry(light_->GetScreenQuad(), &effect_); });
    EXPECT_TRUE(Near(At(px, 16, 8), c.expected, 3)) << c.flags << std::hex << " " << At(px, 16, 8);
  }
  light_->flags = 0;
}

TEST_F(DrawEntries, QuadRangeDrawsOnlyItsQuads) {
  DS_IndexedMesh<DX_V::PCT> batch;
  FillQuads(batch);
  ComPtr<IDirect3DTexture9> white = WhiteTexture();
  struct Case {
    int first, count;
    bool shown[3];
  };
  const Case cases[] = {{0, 3, {true, true, true}}, {1, 1, {false, true, false}}, {1, 2, {false, true, true}},
                        {0, 0, {false, false, false}}};
  for (const Case& c : cases) {
    Pixels px = Frame([&] {
      dev_->SetTexture(0, white);
      light_->DrawQuadRange(&batch, nullptr, c.first, c.count);
    });
    const D3DCOLOR colours[3] = {kRed, kGreen, kBlue};
    for (int q = 0; q < 3; ++q) {
      D3DCOLOR want = c.shown[q] ? colours[q] : kBlue;
      if (q == 2) continue;  // the third quad is blue like the picture
      EXPECT_TRUE(Near(At(px, 10.0f * q + 4, 4), want)) << c.first << "+" << c.count << " quad " << q;
    }
  }
}

TEST_F(DrawEntries, TechniqueByNameWithItsTriangleCount) {
  DS_IndexedMesh<DX_V::PCT> batch;
  FillQuads(batch);
  Pixels px = Frame([&] { light_->DrawWithTechnique(&batch, &effect_, "MakeGreen", 2); });
  EXPECT_TRUE(Near(At(px, 4, 4), kGreen));
  EXPECT_TRUE(Near(At(px, 14, 4), kBlue)) << "two triangles: the first quad only";
  px = Frame([&] { light_->DrawColoredIndexed(&batch, &effect_); });
  EXPECT_TRUE(Near(At(px, 24, 4), kGreen)) << "the technique stays selected; every triangle drawn";
}

TEST_F(DrawEntries, MeshPerSubFrameCulledByItsFlag) {
  MeshBuffers buffers;
  ASSERT_EQ(dev_->CreateVertexBuffer(4 * sizeof(DX_V::PNT), 0, DX_V::PNT::FVF, D3DPOOL_MANAGED,
                                     buffers.vertexBuffer.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  ASSERT_EQ(dev_->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, buffers.indexBuffer.ReleaseAndGetAddressOf(),
                                    nullptr),
            D3D_OK);
  void* data = nullptr;
  buffers.vertexBuffer->Lock(0, 0, &data, 0);
  auto* v = static_cast<DX_V::PNT*>(data);
  const float pos[4][2] = {{0, 0}, {4, 0}, {0, 4}, {4, 4}};
  for (int k = 0; k < 4; ++k) v[k] = DX_V::PNT{pos[k][0], pos[k][1], 0, 0, 0, -1, 0, 0};
  buffers.vertexBuffer->Unlock();
  buffers.indexBuffer->Lock(0, 0, &data, 0);
  const uint16_t order[6] = {0, 1, 2, 2, 1, 3};
  std::memcpy(data, order, sizeof order);
  buffers.indexBuffer->Unlock();
  buffers.vertexCount = 4;
  buffers.faceCount = 2;
  MeshInstance mesh;
  mesh.SetMesh(buffers);
  mesh.texture = WhiteTexture();
  DS_Frame kept, culled;
  D3DXMatrixTranslation(&kept.world, 2, 2, 0);
  D3DXMatrixTranslation(&culled.world, 20, 2, 0);
  culled.mirror = false;
  mesh.subFrames = {&kept, &culled};
  for (bool transparent : {false, true}) {
    mesh.transparent = transparent;
    Pixels px = Frame([&] { light_->DrawMesh(&mesh); });
    EXPECT_TRUE(Near(At(px, 4, 4), kWhite)) << transparent;
    EXPECT_TRUE(Near(At(px, 22, 4), transparent ? kWhite : kBlue)) << transparent;
  }
  DWORD cull = 0;
  dev_->GetRenderState(D3DRS_CULLMODE, &cull);
  EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_NONE));

  mesh.children = {&culled};
  Pixels px = Frame([&] { light_->DrawMeshPerChild(&mesh); });
  EXPECT_TRUE(Near(At(px, 22, 4), kWhite)) << "children are drawn with both cull modes";
  EXPECT_TRUE(Near(At(px, 4, 4), kBlue));
  mesh.children.clear();  // the instance owns its children; these live on the stack
}

TEST_F(DrawEntries, ScreenQuadsAndOverlay) {
  QuadCorners corners;
  corners.SetRect(16, 16);
  TexturedScreenQuad quad;
  quad.Create(WhiteTexture().Get(), corners);
  ScreenQuad overlay;
  QuadCorners all;
  all.SetRect(kBack, kBack);
  overlay.Create(all, 0x80000000);
  Pixels px = Frame([&] {
    light_->DrawOverlay(nullptr);
    light_->DrawTexturedScreenQuad(&quad);
    light_->DrawOverlay(&overlay);
  });
  EXPECT_TRUE(Near(px.at(4, 4), D3DCOLOR_XRGB(127, 127, 127), 3)) << std::hex << px.at(4, 4);
  EXPECT_TRUE(Near(px.at(40, 32), D3DCOLOR_XRGB(0, 0, 127), 3)) << std::hex << px.at(40, 32);
}

// A fully transparent overlay leaves the frame bit for bit as it was and is
// not drawn; any visible vertex, or a blend that would darken the picture
// even at alpha 0, draws it.
TEST_F(DrawEntries, TransparentOverlayIsNotDrawn) {
  QuadCorners corners;
  corners.SetRect(16, 16);
  TexturedScreenQuad quad;
  quad.Create(WhiteTexture().Get(), corners);
  ScreenQuad overlay;
  QuadCorners all;
  all.SetRect(kBack, kBack);
  overlay.Create(all, 0x00000000);
  auto counted = [&](bool withOverlay, DWORD destBlend) {
    uint64_t before = D3D9_DrawCallCount(dev_);
    Pixels px = Frame([&] {
      light_->DrawTexturedScreenQuad(&quad);
      dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      dev_->SetRenderState(D3DRS_DESTBLEND, destBlend);
      if (withOverlay) light_->DrawOverlay(&overlay);
    });
    return std::make_pair(px, D3D9_DrawCallCount(dev_) - before);
  };
  const auto [plain, plainDraws] = counted(false, D3DBLEND_INVSRCALPHA);
  const auto [clear, clearDraws] = counted(true, D3DBLEND_INVSRCALPHA);
  EXPECT_EQ(clear.argb, plain.argb);
  EXPECT_EQ(clearDraws, plainDraws);

  struct Case {
    float alphas[4];
    DWORD destBlend;
  } drawn[] = {{{0, 0, 0, 0.5f}, D3DBLEND_INVSRCALPHA}, {{0, 0, 0, 0}, D3DBLEND_ZERO}};
  for (const Case& c : drawn) {
    overlay.SetVertexAlphas(c.alphas[0], c.alphas[1], c.alphas[2], c.alphas[3]);
    const auto [px, draws] = counted(true, c.destBlend);
    EXPECT_EQ(draws, plainDraws + 1) << c.alphas[3] << " " << c.destBlend;
    EXPECT_NE(px.argb, plain.argb);
  }
}

TEST_F(DrawEntries, SpriteBatchWithBlendModeAndMask) {
  struct Case {
    int32_t blendMode;
    bool masked;
    D3DCOLOR expected;  // a red sprite (mask green) over blue
  };
  const Case cases[] = {{0, false, kRed},
                        {1, false, D3DCOLOR_XRGB(255, 0, 255)},
                        {0, true, kGreen},
                        {1, true, D3DCOLOR_XRGB(255, 255, 0)}};
  for (const Case& c : cases) {
    DS_SpriteArrayT<DX_V::PCT> batch;
    ASSERT_TRUE(batch.AllocateSprites(1));
    auto* v = batch.LockVertices();
    const float pos[4][2] = {{2, 2}, {2, 10}, {10, 2}, {10, 10}};
    for (int k = 0; k < 4; ++k) {
      v[k].x = pos[k][0];
      v[k].y = pos[k][1];
      v[k].color = 0xFFFFFFFF;
    }
    batch.Unlock();
    batch.frames = {WhiteTexture(kGreen), WhiteTexture(kRed)};
    batch.frameIndex = 1;
    batch.blendMode = c.blendMode;
    batch.spriteCount = 1;
    if (c.masked) batch.mask = WhiteTexture(kGreen);
    Pixels px = Frame([&] { light_->DrawTexturedBatch(&batch); });
    EXPECT_TRUE(Near(At(px, 6, 6), c.expected)) << c.blendMode << c.masked << std::hex << " " << At(px, 6, 6);
    DWORD blending = TRUE;
    dev_->GetRenderState(D3DRS_ALPHABLENDENABLE, &blending);
    EXPECT_FALSE(blending);
  }
}

// A grid over scene (0, 0)-(8, 8) that records its update.
class Grid : public TexturedGridObject {
 public:
  explicit Grid(ComPtr<IDirect3DTexture9> t) : texture(std::move(t)) {
    grid.Create(2, 2);
    grid.FillVertices(DX_V::PT{0, 0, 0, 0, 0}, DX_V::PT{8, 0, 0, 1, 0}, DX_V::PT{0, 8, 0, 0, 1},
                      DX_V::PT{8, 8, 0, 1, 1});
  }
  void UpdateGrid(int argument) override {
    updated = argument;
    CurrentRenderContext()->SetWorldTransform(grid.world);
  }
  GridMesh* GetGrid() override { return &grid; }
  IDirect3DTexture9* GetGridTexture() override { return texture.Get(); }
  GridMesh grid;
  ComPtr<IDirect3DTexture9> texture;
  int updated = -1;
};

TEST_F(DrawEntries, TexturedGridUpdatesThenDraws) {
  Grid grid(WhiteTexture(kGreen));
  Pixels px = Frame([&] { light_->DrawTexturedGrid(&grid, 7); });
  EXPECT_EQ(grid.updated, 7);
  EXPECT_TRUE(Near(At(px, 4, 4), kGreen));
  EXPECT_TRUE(Near(At(px, 12, 4), kBlue));

  px = Frame([&] { light_->DrawIndexed(&grid.grid, &effect_); });
  EXPECT_TRUE(Near(At(px, 4, 4), kRed)) << "the same grid through an effect";
}

}  // namespace
