#pragma once
// The glyph-rain slide renderer: columns of glyphs falling over the slide's
// background picture, with bright heads, fading trails, highlights and
// flicker. GlyphGrid holds the simulation; the light draws it as quads.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/colour_params.h"
#include "core/media_param.h"
#include "core/scaled_param.h"
#include "player/slide_render_context.h"

struct GlyphColumn {
  int32_t length = 0;
  int32_t delay = 0;
  int32_t row = 0;
};

// One glyph to draw: the quad centre and half size, its kind (2 bright or
// highlighted, 1 resting, 0 fading) and its texture rows.
struct GlyphQuad {
  float x = 0.0f, y = 0.0f, z = 0.0f;
  float half = 0.0f;
  int32_t kind = 0;
  float v0 = 0.0f, v1 = 0.0f;
  int32_t column = 0, row = 0;
};

struct GlyphGrid {
  // Cell word fields.
  static constexpr uint32_t kGlyphMask = 0xFFu;
  static constexpr uint32_t kChanged = 0x10000u;
  static constexpr uint32_t kHighlight = 0x20000u;
  // The most cells a grid holds (a 1920 x 1080 picture at cell 1 fits).
  static constexpr uint32_t kMaxCells = 1u << 21;
  // The most highlight marks one shuffle draws: far above any authored
  // count, low enough that a damaged one cannot stall a frame.
  static constexpr uint32_t kMaxHighlightMarks = 1u << 20;

  struct Settings {
    uint32_t cellSize = 16;
    uint32_t density = 20;
    uint32_t highlightCount = 10;
    int32_t flicker = 0;
    int32_t startMode = 0;
    uint32_t glyphCount = 1;
  };

  // An empty grid for the picture size; shuffles the highlights once.
  GlyphGrid(uint32_t imageWidth, uint32_t imageHeight, const Settings& settings);

  static int32_t DropDivisor(int32_t density);
  static int32_t Brightness(uint32_t cell) { return static_cast<int8_t>((cell >> 8) & 0xFF); }
  uint32_t& Cell(int32_t x, int32_t y) { return cells[static_cast<size_t>(y) * columns + x]; }

  void PutGlyph(uint32_t g, int32_t x, int32_t y);
  void Step();
  void ShuffleHighlights();
  // The iterator's next cell with a glyph; false at the end of the grid.
  bool NextGlyph(GlyphQuad* out);
  void RestartIterator() { iterator = 0; }

  uint32_t imageWidth = 0, imageHeight = 0;
  uint32_t highlightCount = 0;
  int32_t flicker = 0;
  int32_t flickerMultiplier = 10;
  int32_t fade = 1;
  int32_t density = 20;
  int32_t columns = 0, rows = 0;
  uint32_t cellSize = 16;
  std::vector<uint32_t> cells;
  std::vector<GlyphColumn> columnStates;
  uint8_t top = 0, row = 0;
  uint32_t glyphCount = 1;
  size_t iterator = 0;
};

class DS_MatrixCodeLight : public DS_2D_Light {
 public:
  DS_MatrixCodeLight();
  ~DS_MatrixCodeLight() override;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void PushTarget(int width, int height, int fitMode) override;
  void PopTarget() override;
  void BeginSlide() override;
  void OnResetDevice() override;
  void EndFrame(int argument) override;
  void ClearBackground(int argument) override;
  void UpdateCamera(float t) override { time = t; }
  void SetViewMode(int targetIndex) override;
  void DrawTexturedScreenQuad(TexturedScreenQuad* quad) override;
  bool GetScreenRects(std::vector<ScreenRect>& list) override;
  void ResetView() override;

  void StepAndFill(float t);
  void CreateGrid();
  void CreateBatches();
  void BuildLuminanceMap();
  void DrawGlyphs();

  MediaParamT<unsigned int> CellSize{16u};
  MediaParamT<unsigned int> Density{20u};
  MediaParamT<unsigned int> HighlightCount{50u};
  MediaParamT<int> Flicker{0};
  MediaParamT<int> BackgroundMode{0};
  MediaParamT<int> StartMode{2};
  MediaParamT<int> InFront{0};
  SmartCOLORREF GlyphColor{0u};
  SmartCOLORREF HighlightColor{0u};
  UINTSclaleTo<float> Transparency;
  DS_ImageFileLink GlyphImage{40, u"common_res.dll"};

  std::vector<std::unique_ptr<DS_IndexedMesh<DX_V::PCT>>> batches;
  ComPtr<IDirect3DTexture9> atlas;
  int32_t quadCount = 0;
  std::unique_ptr<GlyphGrid> grid;
  int32_t previousCount = 0;
  int32_t glyphCountNow = 0;
  GlyphGrid::Settings settings;
  std::vector<float> luminance;
  float time = 0.0f;
  float targetScaleX = 1.0f, targetScaleY = 1.0f;

  static constexpr uint32_t kBatchQuads = 16383;
};

void RegisterGlyphRainReader();
