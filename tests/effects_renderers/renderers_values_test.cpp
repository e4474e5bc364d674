// Exact values of the four slide renderers: the glass ball's textures, ball
// geometry and turning phase; the glyph grid; the lake's layout, tint and
// turning bump matrix; the water grid's size, damping, strip and drops.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/crt.h"
#include "effects/slide_renderers_glass.h"
#include "effects/slide_renderers_glyphs.h"
#include "effects/slide_renderers_lake.h"
#include "effects/slide_renderers_water.h"
#include "render_fixtures.h"
#include "resources/builtin_resources.h"

using namespace render_test;

namespace {

class RendererValues : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();
  }
};

// Locks level 0 of a texture for reading.
struct Locked {
  IDirect3DTexture9* t;
  D3DLOCKED_RECT lr{};
  explicit Locked(IDirect3DTexture9* tex) : t(tex) { t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY); }
  ~Locked() { t->UnlockRect(0); }
  const uint8_t* Row(int y) const { return static_cast<const uint8_t*>(lr.pBits) + static_cast<size_t>(y) * lr.Pitch; }
};

// --- glass ball -------------------------------------------------------------

TEST_F(RendererValues, GlassBallBumpMapAndCircleMask) {
  ComPtr<IDirect3DTexture9> bump = DS_GlassBallLight::CreateBumpMap();
  ASSERT_NE(bump, nullptr);
  {
    Locked l(bump);
    auto texel = [&](int x, int y) { return reinterpret_cast<const int16_t*>(l.Row(y)) + x * 2; };
    EXPECT_EQ(texel(0, 0)[0], 0);
    EXPECT_EQ(texel(0, 0)[1], 0);
    EXPECT_EQ(texel(128, 128)[0], 63);
    EXPECT_EQ(texel(128, 128)[1], 63);
    // Left of the centre the surface rises to the right: a negative slope.
    EXPECT_LT(texel(64, 128)[0], 0);
  }
  ComPtr<IDirect3DTexture9> mask = DS_GlassBallLight::CreateCircleMask();
  ASSERT_NE(mask, nullptr);
  Locked l(mask);
  EXPECT_EQ(l.Row(512)[512], 0);
  EXPECT_EQ(l.Row(0)[0], 255);
  EXPECT_EQ(l.Row(4)[512], 0);
  EXPECT_EQ(l.Row(3)[512], 255);
}

TEST_F(RendererValues, GlassBallGradientFillsEveryLevel) {
  DS_GlassBallLight g;
  g.TopColor.value = 0x000000FF;     // red
  g.BottomColor.value = 0x00FF0000;  // blue
  ComPtr<IDirect3DTexture9> t = g.CreateGradient();
  ASSERT_NE(t, nullptr);
  ASSERT_GT(t->GetLevelCount(), 1u);
  Pixels top = ReadTexture(t);
  EXPECT_EQ(top.at(10, 0) & 0x00FFFFFF, 0x00FF0000u);
  EXPECT_EQ(top.at(10, 255) & 0x00FFFFFF, 0x000000FFu);
  EXPECT_EQ(top.at(0, 51) & 0x00FFFFFF, 0x00CC0033u);
  // The smallest level holds the middle of the gradient, not garbage.
  IDirect3DSurface9* s = nullptr;
  t->GetSurfaceLevel(t->GetLevelCount() - 1, &s);
  Pixels last = ReadSurface(s);
  s->Release();
  EXPECT_TRUE(Near(last.at(0, 0), 0xFF7F0080u, 2)) << std::hex << last.at(0, 0);
}

TEST_F(RendererValues, GlassBallGeometry) {
  DS_GlassBallLight g;
  g.kx = g.sx = 1.0f;
  g.UpdateBallGeometry();
  EXPECT_FLOAT_EQ(g.distance, -600.0f);
  EXPECT_NEAR(g.depthZoom, 1.5645f, 1e-5f);
  EXPECT_FLOAT_EQ(g.swingAmplitude, 0.125f);
  g.BallSize.value = 50;
  g.LensStrength.value = 100;
  g.UpdateBallGeometry();
  EXPECT_NEAR(g.distance, -600.0f / 0.625f, 1e-3f);
  EXPECT_NEAR(g.depthZoom, (0.5525f + 0.385f) * 1.05f * 1.5f, 1e-5f);
  EXPECT_FLOAT_EQ(g.swingAmplitude, 0.1875f);
}

TEST_F(RendererValues, GlassBallSharedPhase) {
  DS_GlassBallLight::Phase() = {};
  DS_GlassBallLight g;
  g.targets.width = 200;
  g.targets.height = 100;
  g.Motion.value = 0;
  g.UpdateCamera(5.0f);
  EXPECT_FALSE(DS_GlassBallLight::Phase().started) << "Motion 0 leaves the phase and its time";
  EXPECT_EQ(g.swing, 0.0f);

  g.Motion.value = 2;
  DS_GlassBallLight::Phase() = {true, 0.0f, 1.0f};
  g.UpdateCamera(0.0f);
  EXPECT_FLOAT_EQ(g.scrollA.vertices[0].x, 100.0f);
  EXPECT_FLOAT_EQ(g.scrollA.vertices[2].x, 300.0f);
  EXPECT_FLOAT_EQ(g.scrollB.vertices[0].x, -100.0f);
  EXPECT_FLOAT_EQ(g.scrollB.vertices[2].x, 100.0f);
  EXPECT_FLOAT_EQ(g.scrollA.vertices[0].y, 100.0f);
  EXPECT_FLOAT_EQ(g.scrollA.vertices[1].y, 0.0f);

  // Swinging: a triangle wave of the shared phase, turned by a second light too.
  DS_GlassBallLight other;
  other.Motion.value = 3;
  g.Motion.value = 3;
  DS_GlassBallLight::Phase() = {true, 0.0f, 0.0f};
  g.UpdateCamera(1.0f);  // phase 0.99 x 0.0625
  other.UpdateCamera(2.0f);
  const float phase = 2.0f * 0.99f * 0.0625f;
  EXPECT_NEAR(DS_GlassBallLight::Phase().phase, phase, 1e-6f);
  const float h = phase * 0.5f;
  EXPECT_NEAR(other.swing, std::fabs((h - std::floor(h)) * 2.0f - 1.0f) * 2.0f - 1.0f, 1e-6f);
  DS_GlassBallLight::Phase() = {};
}

// --- glyph rain -------------------------------------------------------------

TEST(GlyphGridValues, DropDivisor) {
  const std::pair<int32_t, int32_t> cases[] = {{1, 85}, {9, 85}, {10, 60}, {19, 45}, {20, 25}, {34, 15},
                                               {44, 10}, {49, 8},  {50, 7},  {64, 5},  {89, 2},  {90, 1},  {100, 1}};
  for (auto [d, divisor] : cases) EXPECT_EQ(GlyphGrid::DropDivisor(d), divisor) << d;
}

GlyphGrid::Settings GridSettings(uint32_t highlights, int32_t startMode) {
  GlyphGrid::Settings s;
  s.cellSize = 16;
  s.density = 100;
  s.highlightCount = highlights;
  s.startMode = startMode;
  s.glyphCount = 4;
  return s;
}

TEST(GlyphGridValues, HighlightsMarkCountLessOneCells) {
  for (uint32_t count : {0u, 1u}) {
    GlyphGrid g(160, 160, GridSettings(count, 0));
    for (uint32_t c : g.cells) EXPECT_EQ(c & GlyphGrid::kHighlight, 0u) << count;
  }
  // count - 1 draws of a random cell, even past the number of cells (a 2 x 2
  // grid here): the marks are where the draws fell, and the shared sequence
  // moves on by two numbers a draw.
  for (uint32_t count : {4u, 40u}) {
    SCOPED_TRACE(count);
    crt_srand(7);
    std::vector<bool> hit(4, false);
    for (uint32_t i = 0; i + 1 < count; ++i) {
      const int x = crt_rand() % 2;
      const int y = crt_rand() % 2;
      hit[static_cast<size_t>(y) * 2 + x] = true;
    }
    const int next = crt_rand();
    crt_srand(7);
    GlyphGrid g(16, 16, GridSettings(count, 0));
    ASSERT_EQ(g.cells.size(), 4u);
    EXPECT_EQ(crt_rand(), next) << "count - 1 draws";
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ((g.cells[i] & GlyphGrid::kHighlight) != 0, hit[i]) << i;
  }
  // A damaged count is bounded by a large constant, not by the cells.
  EXPECT_GE(GlyphGrid::kMaxHighlightMarks, 1u << 16);
}

TEST(GlyphGridValues, ScrollFadesARestingGlyphUnderAnEmptyCell) {
  GlyphGrid g(16, 48, GridSettings(0, 0));  // 2 columns, 4 rows
  g.Cell(0, 1) = 3;                         // resting glyph 3 under an empty cell
  g.Cell(0, 0) = 0;
  g.PutGlyph(2, 0, -1);
  EXPECT_EQ(g.Cell(0, 0), 2u | GlyphGrid::kChanged) << "a drop entering at the top rests";
  EXPECT_EQ(g.Cell(0, 1) & 0xFF, 3u) << "the glyph stays";
  EXPECT_EQ(GlyphGrid::Brightness(g.Cell(0, 1)), -1) << "and starts fading";
  EXPECT_EQ(g.Cell(0, 2), 3u | GlyphGrid::kChanged) << "the trail moves down";
  EXPECT_EQ(g.Cell(0, 3), GlyphGrid::kChanged);
  // A glyph put at a row is bright.
  crt_srand(1);
  g.PutGlyph(4, 1, 2);
  EXPECT_EQ(g.Cell(1, 2), 4u | (2u << 8) | GlyphGrid::kChanged);  // 41 mod 2 + 1
  g.PutGlyph(4, 1, 4);                                            // below the grid: nothing
}

TEST(GlyphGridValues, NextGlyphAgesAndErases) {
  GlyphGrid g(16, 16, GridSettings(0, 0));  // 2 x 2
  g.Cell(0, 0) = 1 | (2u << 8) | GlyphGrid::kChanged;
  g.Cell(1, 1) = 4 | (0xFFu << 8) | GlyphGrid::kChanged;
  GlyphQuad q;
  ASSERT_TRUE(g.NextGlyph(&q));
  EXPECT_EQ(q.kind, 2);
  EXPECT_FLOAT_EQ(q.x, 8.0f);
  EXPECT_FLOAT_EQ(q.v0, 0.0f);
  EXPECT_FLOAT_EQ(q.v1, 0.25f);
  ASSERT_TRUE(g.NextGlyph(&q));
  EXPECT_EQ(q.kind, 0);
  EXPECT_FLOAT_EQ(q.y, 24.0f);
  EXPECT_FALSE(g.NextGlyph(&q));
  EXPECT_EQ(g.Cell(0, 0), 1 | (1u << 8) | GlyphGrid::kChanged);
  EXPECT_EQ(g.Cell(1, 1), GlyphGrid::kChanged) << "a fade reaching 0 erases the glyph";
}

TEST(GlyphGridValues, TwoFramesFromSeedOne) {
  DS_MatrixCodeLight light;
  light.settings = GridSettings(0, 0);
  crt_srand(1);
  light.grid = std::make_unique<GlyphGrid>(16, 16, light.settings);  // 2 x 2, no highlight draws
  light.CreateBatches();
  ASSERT_EQ(light.quadCount, 4);
  light.grid->columnStates[0] = GlyphColumn{2, 0, -1};
  light.StepAndFill(0.0f);
  // Glyph 41 % 4 + 1 enters column 0; column 1 puts an empty glyph at row 0;
  // the delay draws 18467 and 6334 miss; column 1 starts a pause (26500 ...).
  const std::vector<uint32_t> first = {2, 0, 0, 0};
  EXPECT_EQ(light.grid->cells, first);
  EXPECT_EQ(light.glyphCountNow, 1);
  EXPECT_EQ(light.grid->columnStates[1].length, 0);
  EXPECT_EQ(light.grid->columnStates[1].delay, 7);  // 15724 % 5 + 11478 % 5
  EXPECT_EQ(light.grid->columnStates[1].row, -1);
  light.StepAndFill(0.0f);
  // 24464 % 4 + 1 = 1 enters and scrolls glyph 2 down.
  const std::vector<uint32_t> second = {1, 0, 2, 0};
  EXPECT_EQ(light.grid->cells, second);
  EXPECT_EQ(light.glyphCountNow, 2);
  const GlyphColumn c0 = light.grid->columnStates[0], c1 = light.grid->columnStates[1];
  EXPECT_EQ(c0.length, 0);
  EXPECT_EQ(c0.delay, 2);
  EXPECT_EQ(c1.length, 4);
  EXPECT_EQ(c1.delay, 2);
}

TEST(GlyphGridValues, HugeOrTinyPicturesStayBounded) {
  GlyphGrid::Settings s = GridSettings(1000000000u, 1);
  s.cellSize = 1;
  s.flicker = 1;
  GlyphGrid big(1920, 1080, s);
  EXPECT_EQ(big.columns, 1921);
  EXPECT_EQ(big.rows, 1081);
  GlyphGrid huge(100000, 100000, s);
  EXPECT_LE(huge.cells.size(), GlyphGrid::kMaxCells);
  s.cellSize = 5000;
  GlyphGrid one(16, 16, s);  // one cell: no range for flicker or start rows
  EXPECT_EQ(one.columns, 1);
  for (int i = 0; i < 50; ++i) one.Step();
}

TEST(GlyphGridValues, OutOfRangeTransparencyDrawsNothing) {
  DS_MatrixCodeLight light;
  light.Transparency.SetValue(0xFFFFFFFFu);  // opacity far below 0
  light.settings = GridSettings(0, 0);
  light.grid = std::make_unique<GlyphGrid>(16, 16, light.settings);
  light.grid->Cell(0, 1) = 1;  // row 0 is fed with an empty glyph first
  light.CreateBatches();
  light.StepAndFill(0.0f);
  EXPECT_EQ(light.glyphCountNow, 1);
}

TEST_F(RendererValues, GlyphCountFromTheAtlas) {
  pw::DocResRecord r;
  r.imageFiles.push_back({u"glyphs.png", 1, {{0, u"", u"glyphs.png", Png(16, 160, [](int, int) { return 0xFFFFFFFFu; })}}});
  r.imageFiles.push_back({u"empty.png", 2, {{0, u"", u"empty.png", {1, 2, 3}}}});
  UseDocument(MakeDocument(r));
  DS_MatrixCodeLight light;
  light.GlyphImage.name = u"glyphs.png";
  light.GlyphImage.id = 1;
  light.BeginSlide();
  EXPECT_EQ(light.settings.glyphCount, 12u);
  ASSERT_NE(light.grid, nullptr);
  // An atlas that gives no picture draws no glyphs.
  DS_MatrixCodeLight none;
  none.GlyphImage.name = u"empty.png";
  none.GlyphImage.id = 2;
  none.BeginSlide();
  EXPECT_EQ(none.settings.glyphCount, 0u);
  EXPECT_EQ(none.grid, nullptr);
  none.StepAndFill(1.0f);
}

// --- lake -------------------------------------------------------------------

TEST_F(RendererValues, LakeLayoutTintAndReflection) {
  pw::DocResRecord r;
  r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", Png(40, 20, [](int, int) { return 0xFF808080u; })}}});
  UseDocument(MakeDocument(r));
  FakeLake2D lake;
  lake.backgroundLink.name = u"bg.png";
  lake.backgroundLink.id = 1;
  lake.Horizon.SetValue(0u);  // hf 0.5
  lake.ReflectionDetail.value = 2;
  lake.BeginSlide();
  const float expected[6][4] = {{0, 10, 0, 0.5f}, {0, 20, 0, 0}, {40, 20, 1, 0},
                                {0, 10, 0, 0.5f}, {40, 20, 1, 0}, {40, 10, 1, 0.5f}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_FLOAT_EQ(lake.lakeVertices[i].x, expected[i][0]) << i;
    EXPECT_FLOAT_EQ(lake.lakeVertices[i].y, expected[i][1]) << i;
    EXPECT_FLOAT_EQ(lake.lakeVertices[i].u1, expected[i][2]) << i;
    EXPECT_FLOAT_EQ(lake.lakeVertices[i].v1, expected[i][3]) << i;
  }
  EXPECT_FLOAT_EQ(lake.lakeVertices[2].u0, 1.0f);
  EXPECT_FLOAT_EQ(lake.lakeVertices[0].u0, 0.01f);
  ASSERT_NE(lake.reflection.secondTexture, nullptr);
  D3DSURFACE_DESC desc{};
  lake.reflection.secondTexture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 512u);
  EXPECT_EQ(desc.Height, 512u);

  auto* tint = static_cast<DX_V::PC*>(lake.tintQuad.Lock());
  ASSERT_NE(tint, nullptr);
  EXPECT_EQ(tint[0].color >> 24, 63u);  // 0.248 at the bottom
  EXPECT_EQ(tint[1].color >> 24, 26u);  // 0.104 at the horizon
  EXPECT_EQ(tint[0].color & 0xFFFFFF, 0x008040u);
  EXPECT_FLOAT_EQ(tint[0].y, 20.0f);
  EXPECT_FLOAT_EQ(tint[1].y, 10.0f);
  lake.tintQuad.Unlock();
  auto* haze = static_cast<DX_V::PC*>(lake.hazeQuad.Lock());
  ASSERT_NE(haze, nullptr);
  EXPECT_EQ(haze[0].color >> 24, 0u);
  EXPECT_FLOAT_EQ(haze[0].y, 3.0f);  // 7 pixels above the horizon
  EXPECT_FLOAT_EQ(haze[1].y, 10.0f);
  lake.hazeQuad.Unlock();
  EXPECT_NE(lake.normalMap, nullptr) << "made from the noise picture";

  // Out-of-range detail stays a valid size; a horizon at the bottom draws no lake.
  lake.ReflectionDetail.value = -3;
  lake.CopyReflection();
  lake.reflection.secondTexture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 128u);
  lake.Horizon.SetValue(100u);
  lake.LayoutLake();
  EXPECT_FALSE(lake.lakeVisible);
}

TEST(LakeValues, TurningBumpMatrix) {
  FakeLake2D lake;
  for (int i = 0; i <= 5; ++i) lake.UpdateCamera(0.2f * static_cast<float>(i));
  EXPECT_NEAR(std::atan2(lake.bumpMatrix[2], lake.bumpMatrix[0]), 4.5f - 2.0f * 3.14159265f, 1e-4f);
  EXPECT_NEAR(lake.bumpMatrix[0], 0.04f * std::cos(4.5f), 1e-6f);
  EXPECT_NEAR(lake.bumpMatrix[1], -0.04f * std::sin(4.5f), 1e-6f);
  FakeLake2D jump;
  jump.UpdateCamera(0.0f);
  jump.UpdateCamera(1.0f);
  EXPECT_NEAR(jump.bumpMatrix[0], 0.04f * std::cos(0.9f), 1e-6f);
  EXPECT_NEAR(jump.bumpMatrix[2], 0.04f * std::sin(0.9f), 1e-6f);
}

// --- water rings ------------------------------------------------------------

TEST(WaterValues, GridSizes) {
  struct Case {
    float aspect;
    uint32_t detail, stretch;
    int32_t columns, rows;
  };
  const Case cases[] = {
      {0.75f, 0, 0, 128, 96},      // 4 : 3
      {4.0f / 3.0f, 100, 0, 192, 340},  // 3 : 4 at full detail: cut to 65536 nodes
      {0.01f, 0, 0, 128, 4},       // very wide: at least 4 rows
      {1000.0f, 0, 0, 4, 16384},   // very tall: the cut keeps 4 columns
      {0.75f, 0xFFFFFFFFu, 0xFFFFFFFFu, 4, 16384},
  };
  for (const Case& c : cases) {
    int32_t cols = 0, rows = 0;
    DS_WaterRingLight::GridSize(c.aspect, c.detail, c.stretch, &cols, &rows);
    EXPECT_EQ(cols, c.columns) << c.aspect << " " << c.detail;
    EXPECT_EQ(rows, c.rows) << c.aspect << " " << c.detail;
    EXPECT_LE(static_cast<int64_t>(cols) * rows, 65536);
    EXPECT_GE(cols, 4);
    EXPECT_GE(rows, 4);
  }
}

TEST(WaterValues, Damping) {
  EXPECT_NEAR(DS_WaterRingLight::DampingFactor(49), 0.9882f, 1e-6f);
  EXPECT_NEAR(DS_WaterRingLight::DampingFactor(50), 0.99f, 1e-6f);
  EXPECT_NEAR(DS_WaterRingLight::DampingFactor(100), 0.999f, 1e-6f);
  EXPECT_NEAR(DS_WaterRingLight::DampingFactor(0), 0.9f, 1e-6f);
}

TEST(WaterValues, RingStripOfFourByFour) {
  const std::vector<uint16_t> expected = {0, 4,  1,  5,  2,  6,  3,  7, 7, 6, 11, 10, 15, 14, 14, 10,
                                          13, 9, 12, 8, 8, 9, 4, 5, 5, 9, 6,  10, 10, 9,  9,  5};
  EXPECT_EQ(WaterGrid::RingStripIndices(4, 4), expected);
  // Every node of an even grid is covered exactly once per ring pass.
  std::vector<uint16_t> big = WaterGrid::RingStripIndices(128, 96);
  EXPECT_EQ(big.size(), 2u * 128 * 96);
  std::vector<int> seen(128 * 96, 0);
  for (uint16_t i : big) seen[i] = 1;
  for (int s : seen) EXPECT_EQ(s, 1);
}

TEST(WaterValues, RefractionTableEnds) {
  const RefractionEntry* t = RefractionTable();
  EXPECT_NEAR(t[0].a, 0.88141f, 1e-4f);
  EXPECT_NEAR(t[0].b, -0.75019f, 1e-4f);
  EXPECT_EQ(t[0].colour, 0xFD000000u);
  EXPECT_NEAR(t[255].a, 0.33398f, 1e-4f);
  EXPECT_NEAR(t[255].b, -0.75019f, 1e-4f);
  EXPECT_EQ(t[255].colour, 0u);
}

TEST(WaterValues, DropImpulses) {
  WaterGrid g;
  g.columns = 6;
  g.rows = 5;
  g.nodeCount = 30;
  g.nodes.assign(30, WaterNode{});
  g.impulse = 0.45f;
  crt_srand(1);
  g.AddDrop();  // column 41 % 4 + 1 = 2, row 18467 % 3 + 1 = 3
  auto v = [&](int r, int c) { return g.nodes[r * 6 + c].velocity; };
  EXPECT_FLOAT_EQ(v(3, 2), -0.45f * 0.25f);
  for (auto [r, c] : {std::pair{2, 2}, {4, 2}, {3, 1}, {3, 3}}) EXPECT_FLOAT_EQ(v(r, c), -0.45f * 0.125f);
  for (auto [r, c] : {std::pair{2, 1}, {2, 3}, {4, 1}, {4, 3}}) EXPECT_FLOAT_EQ(v(r, c), -0.45f * 0.0625f);
  float sum = 0.0f;
  for (const WaterNode& n : g.nodes) sum += n.velocity;
  EXPECT_FLOAT_EQ(sum, -0.45f);
}

// Four substeps after a drop on a 6 x 5 grid, against a reference worked out
// separately from the sweep's rules (wrap-around neighbours, border nodes
// zeroed as the sweep reaches them, the mean removed in a second pass).
TEST(WaterValues, FourSubstepsAfterADrop) {
  WaterGrid g;
  g.columns = 6;
  g.rows = 5;
  g.nodeCount = 30;
  g.nodes.assign(30, WaterNode{});
  g.impulse = 0.45f;
  g.damping = 0.99f;
  g.speed = 1.0f;
  auto at = [&](int r, int c) -> WaterNode& { return g.nodes[r * 6 + c]; };
  at(3, 2).velocity = -0.45f * 0.25f;
  for (auto [r, c] : {std::pair{2, 2}, {4, 2}, {3, 1}, {3, 3}}) at(r, c).velocity = -0.45f * 0.125f;
  for (auto [r, c] : {std::pair{2, 1}, {2, 3}, {4, 1}, {4, 3}}) at(r, c).velocity = -0.45f * 0.0625f;
  g.Simulate();
  EXPECT_NEAR(at(3, 2).height, -0.2090554f, 1e-5f);
  EXPECT_NEAR(at(2, 2).height, -0.1135112f, 1e-5f);
  EXPECT_NEAR(at(2, 5).height, 0.0528175f, 1e-5f);  // the right neighbour wraps to column 0
  EXPECT_NEAR(at(0, 0).height, 0.0177131f, 1e-5f);  // a border node keeps -mean until swept
  EXPECT_NEAR(at(4, 3).height, 0.0177131f, 1e-5f);
  EXPECT_NEAR(at(2, 1).velocity, -0.0293008f, 1e-5f);
  EXPECT_NEAR(at(1, 4).velocity, -0.0098887f, 1e-5f);
  EXPECT_EQ(at(4, 2).velocity, 0.0f);
}

TEST_F(RendererValues, WaterGridOfTheBackgroundAndItsDrops) {
  pw::DocResRecord r;
  r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", Png(40, 30, [](int, int) { return 0xFF808080u; })}}});
  UseDocument(MakeDocument(r));
  DS_WaterRingLight w;
  w.backgroundLink.name = u"bg.png";
  w.backgroundLink.id = 1;
  w.BeginSlide();
  EXPECT_EQ(w.grid.columns, 128);
  EXPECT_EQ(w.grid.rows, 96);
  EXPECT_FLOAT_EQ(w.grid.width, 40.0f);
  EXPECT_FLOAT_EQ(w.grid.height, 30.0f);
  EXPECT_FLOAT_EQ(w.grid.impulse, 0.45f);
  EXPECT_FLOAT_EQ(w.grid.damping, 0.99f);
  EXPECT_FLOAT_EQ(w.grid.refraction, 0.2f);
  EXPECT_NE(w.grid.vertexBuffer, nullptr);
  EXPECT_NE(w.grid.indexBuffer, nullptr);
  w.UpdateCamera(2.0f);
  EXPECT_EQ(w.lastDrop, 0.0f) << "not more than 2 s after the last drop";
  w.UpdateCamera(2.05f);
  EXPECT_EQ(w.lastDrop, 2.05f);
  w.UpdateCamera(1.0f);
  EXPECT_EQ(w.lastDrop, 1.0f) << "time going back restarts the timer";
  w.DropRate.SetValue(0u);
  w.UpdateCamera(100.0f);
  EXPECT_EQ(w.lastDrop, 1.0f) << "DropRate 0 never drops again";
}

}  // namespace

namespace {

TEST_F(RendererValues, BuiltInPicturesOfTheDefaults) {
  pw::DocResRecord r;
  UseDocument(MakeDocument(r));
  DS_GlassBallLight ball;
  ball.BeginSlide();
  EXPECT_NE(ball.overlay1Texture, nullptr);
  EXPECT_NE(ball.overlay2Texture, nullptr);
  EXPECT_NE(ball.standTexture, nullptr);
  const DocImage& stand = doc_->GetTextures(ball.StandImage);
  EXPECT_EQ(stand.width * 2, stand.height * 5) << "a stand of 2.5 : 1";
  DS_MatrixCodeLight glyphs;
  glyphs.BeginSlide();
  EXPECT_EQ(glyphs.settings.glyphCount, 16u);
}

}  // namespace
