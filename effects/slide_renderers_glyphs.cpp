#include "effects/slide_renderers_glyphs.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "effects/slide_renderers_common.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "player/render_context.h"

// ---------------------------------------------------------------------------
// GlyphGrid

namespace {

void SetBrightness(uint32_t& cell, int32_t b) {
  cell = (cell & ~0xFF00u) | (static_cast<uint32_t>(static_cast<uint8_t>(static_cast<int8_t>(b))) << 8);
}

}  // namespace

GlyphGrid::GlyphGrid(uint32_t width, uint32_t height, const Settings& s)
    : imageWidth(width),
      imageHeight(height),
      highlightCount(s.highlightCount),
      flicker(s.flicker),
      density(static_cast<int32_t>(s.density)),
      cellSize(std::max(1u, s.cellSize)),
      glyphCount(s.glyphCount) {
  // Counts are bounded before they size anything: a tiny cell on a huge
  // picture must not exhaust memory.
  uint32_t c = std::min(width / cellSize + 1, kMaxCells);
  uint32_t r = std::min(height / cellSize + 1, kMaxCells / c);
  columns = static_cast<int32_t>(c);
  rows = static_cast<int32_t>(std::max(1u, r));
  cells.assign(static_cast<size_t>(columns) * static_cast<size_t>(rows), 0u);
  columnStates.assign(static_cast<size_t>(columns), GlyphColumn{});
  top = s.startMode != 1 ? 1 : 0;
  row = s.startMode != 0 ? 1 : 0;
  ShuffleHighlights();
}

int32_t GlyphGrid::DropDivisor(int32_t d) {
  static const int32_t below[] = {10, 15, 20, 25, 30, 35, 45, 50, 55, 65, 80, 90};
  static const int32_t divisor[] = {85, 60, 45, 25, 20, 15, 10, 8, 7, 5, 3, 2};
  for (int i = 0; i < 12; ++i) {
    if (d < below[i]) return divisor[i];
  }
  return 1;
}

void GlyphGrid::PutGlyph(uint32_t g, int32_t x, int32_t y) {
  if (y >= rows || x < 0 || x >= columns) return;
  int32_t ty = y;
  if (y < 0) {
    for (int32_t r = rows - 1; r >= 1; --r) {
      uint32_t& dst = Cell(x, r);
      const uint32_t src = Cell(x, r - 1);
      if (fade && (dst & kGlyphMask) && !(src & kGlyphMask)) {
        SetBrightness(dst, -1);
      } else {
        dst = (dst & ~0xFFFFu) | (src & 0xFFFFu);
      }
      dst |= kChanged;
    }
    ty = 0;
  }
  uint32_t& cell = Cell(x, ty);
  cell = (cell & ~kGlyphMask) | (g & kGlyphMask) | kChanged;
  if (g != 0) SetBrightness(cell, y >= 0 ? crt_rand() % 2 + 1 : 0);
}

void GlyphGrid::Step() {
  if (flicker) {
    const int32_t range = (columns / 2) * 10;
    // One column leaves no range to draw from.
    if (range > 0) {
      const int32_t n = (crt_rand() % range) / 10;
      for (int32_t i = 1; i < n; ++i) {
        const int32_t x = crt_rand() % columns;
        const int32_t y = crt_rand() % rows;
        uint32_t& cell = Cell(x, y);
        if ((cell & kGlyphMask) && Brightness(cell) == 0) {
          SetBrightness(cell, crt_rand() % 20);
          cell |= kChanged;
        }
      }
    }
  }
  const int32_t divisor = DropDivisor(density);
  for (GlyphColumn& col : columnStates) {
    if (col.length >= 1) continue;
    if (crt_rand() % divisor != 0) continue;
    col.length = crt_rand() % rows + 3;
    col.delay = crt_rand() % 5;
    col.delay += crt_rand() % 5;
    if (crt_rand() % 4 != 0) col.length = 0;
    bool atTop = top != 0;
    if (top && row) atTop = (crt_rand() & 1) != 0;
    if (atTop) {
      col.row = -1;
    } else {
      // One row leaves no upper half to draw from.
      col.row = rows / 2 > 0 ? crt_rand() % (rows / 2) : 0;
    }
  }
  if (crt_rand() % 500 == 0) ShuffleHighlights();
}

void GlyphGrid::ShuffleHighlights() {
  for (uint32_t& cell : cells) cell &= ~kHighlight;
  if (highlightCount < 2 || columns <= 0 || rows <= 0) return;
  // One draw short of the count; a cell may be hit more than once.
  const uint32_t marks = std::min(highlightCount - 1, kMaxHighlightMarks);
  for (uint32_t i = 0; i < marks; ++i) {
    const int32_t x = crt_rand() % columns;
    const int32_t y = crt_rand() % rows;
    Cell(x, y) |= kHighlight;
  }
}

bool GlyphGrid::NextGlyph(GlyphQuad* out) {
  while (iterator < cells.size()) {
    const size_t index = iterator++;
    uint32_t& cell = cells[index];
    const uint32_t g = cell & kGlyphMask;
    const bool found = g != 0;
    if (found) {
      const int32_t x = static_cast<int32_t>(index % static_cast<size_t>(columns));
      const int32_t y = static_cast<int32_t>(index / static_cast<size_t>(columns));
      const float size = static_cast<float>(cellSize);
      out->x = (static_cast<float>(x) + 0.5f) * size;
      out->y = (static_cast<float>(y) + 0.5f) * size;
      out->z = 0.0f;
      out->half = size / 2.0f;
      const int32_t b = Brightness(cell);
      out->kind = (b >= 1 || (cell & kHighlight)) ? 2 : (b == 0 ? 1 : 0);
      const float G = static_cast<float>(glyphCount);
      out->v0 = static_cast<float>(g - 1) / G;
      out->v1 = static_cast<float>(g) / G;
      out->column = x;
      out->row = y;
    }
    if (cell & kChanged) {
      cell &= ~kChanged;
      const int32_t b = Brightness(cell);
      if (b > 0) {
        SetBrightness(cell, b - 1);
        cell |= kChanged;
      } else if (b < 0) {
        SetBrightness(cell, b + 1);
        if (b + 1 == 0) cell &= ~kGlyphMask;
        cell |= kChanged;
      }
      if ((cell & kHighlight) && (cell & kGlyphMask) && glyphCount > 0) {
        cell = (cell & ~kGlyphMask) | (static_cast<uint32_t>(crt_rand()) % glyphCount);
        cell |= kChanged;
      }
    }
    if (found) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// DS_MatrixCodeLight

DS_MatrixCodeLight::DS_MatrixCodeLight() { Transparency.SetScaleOffset(-0.01f, 1.0f, 0u); }

DS_MatrixCodeLight::~DS_MatrixCodeLight() = default;

void DS_MatrixCodeLight::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadUInt(&CellSize.value);
  ar.ReadUInt(&Density.value);
  ar.ReadUInt(&HighlightCount.value);
  for (MediaParamT<int>* p : {&Flicker, &BackgroundMode, &StartMode}) {
    uint32_t v = 0;
    ar.ReadUInt(&v);
    p->value = static_cast<int32_t>(v);
  }
  ar.ReadDword(&GlyphColor.value);
  ar.ReadDword(&HighlightColor.value);
  Transparency.Read(ar);
  if (version > 1) ReadFileLink3(ar, GlyphImage);
  if (version > 2) {
    uint32_t v = 0;
    ar.ReadUInt(&v);
    InFront.value = static_cast<int32_t>(v);
  }
  zvi_string baseName;
  int32_t baseVersion = 0;
  ar.ReadWideString(&baseName);
  ar.ReadInt(&baseVersion);
  DS_2D_Light::ReadRecord(ar, baseVersion);
}

void DS_MatrixCodeLight::PushTarget(int width, int height, int fitMode) {
  DS_2D_Light::PushTarget(width, height, fitMode);
  const BackBufferInfo& bb = GetBackBufferInfo();
  targetScaleX = bb.width ? static_cast<float>(width) / static_cast<float>(bb.width) : 1.0f;
  targetScaleY = bb.height ? static_cast<float>(height) / static_cast<float>(bb.height) : 1.0f;
}

void DS_MatrixCodeLight::PopTarget() {
  DS_2D_Light::PopTarget();
  targetScaleX = 1.0f;
  targetScaleY = 1.0f;
}

void DS_MatrixCodeLight::CreateGrid() {
  grid.reset();
  // An atlas without width has no glyphs: nothing falls.
  if (settings.glyphCount == 0) return;
  const RenderSettings& rs = GetRenderSettings();
  grid = std::make_unique<GlyphGrid>(rs.pictureWidth, rs.pictureHeight, settings);
}

void DS_MatrixCodeLight::CreateBatches() {
  if (grid) {
    quadCount = grid->columns * grid->rows;
  } else {
    const RenderSettings& rs = GetRenderSettings();
    const uint32_t cell = std::max(1u, settings.cellSize);
    const uint64_t n = static_cast<uint64_t>(rs.pictureHeight / cell + 1) * (rs.pictureWidth / cell + 1);
    quadCount = static_cast<int32_t>(std::min<uint64_t>(n, GlyphGrid::kMaxCells));
  }
  const size_t count = static_cast<size_t>(quadCount) / kBatchQuads + 1;
  batches.clear();
  batches.resize(count);
  for (size_t i = 0; i < count; ++i) {
    batches[i] = std::make_unique<DS_IndexedMesh<DX_V::PCT>>();
    const int32_t n = std::min<int32_t>(quadCount - static_cast<int32_t>(i * kBatchQuads), kBatchQuads);
    if (n > 0) batches[i]->AllocateSprites(static_cast<UINT>(n));
  }
}

void DS_MatrixCodeLight::BuildLuminanceMap() {
  luminance.clear();
  if (BackgroundMode.value != 1) return;
  IDirect3DTexture9* background = GetCurrentTexture();
  if (!background) return;
  // Texels are read as 32-bit words of blue, green, red and one more byte.
  ComPtr<IDirect3DTexture9> copy = CopyTextureResized(background, 256, 256, D3DFMT_X8R8G8B8);
  background->Release();
  if (!copy) return;
  D3DLOCKED_RECT lr{};
  if (FAILED(copy->LockRect(0, &lr, nullptr, D3DLOCK_READONLY))) return;
  luminance.resize(256 * 256);
  for (int y = 0; y < 256; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(lr.pBits) + static_cast<size_t>(y) * lr.Pitch;
    for (int x = 0; x < 256; ++x) {
      const uint8_t* t = row + x * 4;
      luminance[y * 256 + x] = 0.299f * t[2] / 255.0f + 0.587f * t[1] / 255.0f + 0.114f * t[0] / 255.0f;
    }
  }
  copy->UnlockRect(0);
}

void DS_MatrixCodeLight::BeginSlide() {
  DS_2D_Light::BeginSlide();
  QuadCorners unit;
  unit.SetRect(1.0f, 1.0f);
  SetupView(unit);
  TextureInfo info;
  if (DS_DocResManager* manager = CurrentDocResManager()) info = GetFirstFrameTexture(manager->GetTextures(GlyphImage));
  atlas = info.texture;
  // The glyph number is a byte: at most 255 glyphs.
  settings.glyphCount = info.width ? std::min(255u, info.height / info.width + 2) : 0u;
  settings.cellSize = std::max(1u, CellSize.value);
  CreateGrid();
  CreateBatches();
  settings.density = std::clamp(Density.value, 1u, 100u);
  CreateGrid();
  settings.highlightCount = HighlightCount.value;
  CreateGrid();
  settings.flicker = Flicker.value;
  CreateGrid();
  settings.startMode = StartMode.value;
  CreateGrid();
  CreateBatches();
  BuildLuminanceMap();
}

void DS_MatrixCodeLight::StepAndFill(float t) {
  camera.Update(t);
  previousCount = glyphCountNow;
  glyphCountNow = 0;
  if (!grid) return;
  GlyphGrid& g = *grid;
  g.RestartIterator();
  for (int32_t x = 0; x < g.columns; ++x) {
    GlyphColumn& col = g.columnStates[x];
    if (col.delay != 0) {
      --col.delay;
      continue;
    }
    if (col.length < 1) {
      g.PutGlyph(0, x, col.row);
    } else {
      const uint32_t glyph =
          previousCount < quadCount ? static_cast<uint32_t>(crt_rand()) % g.glyphCount + 1 : 0u;
      g.PutGlyph(glyph, x, col.row);
      --col.length;
    }
    if (col.row >= 0) ++col.row;
  }
  for (GlyphColumn& col : g.columnStates) {
    if (crt_rand() % 10 == 0) {
      col.delay = crt_rand() % 5;
      col.delay += crt_rand() % 5;
    }
  }
  g.Step();

  const float opacity = Transparency.derived;
  const D3DCOLOR glyphRgb = ColorrefToArgb(GlyphColor.value, 0);
  const D3DCOLOR highlightRgb = ColorrefToArgb(HighlightColor.value, 0);
  const bool useLuminance = BackgroundMode.value == 1 && luminance.size() == 256 * 256;
  uint32_t mask = 0xFFFFFFFFu;
  GlyphQuad q;
  int32_t i = 0;
  for (auto& batch : batches) {
    DX_V::PCT* v = batch->LockVertices();
    const int32_t n = std::min<int32_t>(quadCount - i, kBatchQuads);
    for (int32_t k = 0; k < n; ++k, ++i) {
      if (mask == 0xFFFFFFFFu) {
        if (g.NextGlyph(&q)) {
          ++glyphCountNow;
        } else {
          mask = 0x00FFFFFFu;
        }
      }
      if (!v) continue;
      float I = q.kind == 0 ? opacity / 2.0f : opacity;
      if (useLuminance && q.kind != 2) {
        const int32_t ly = static_cast<int32_t>(256.0f * static_cast<float>(q.row) / static_cast<float>(g.rows));
        const int32_t lx =
            static_cast<int32_t>(256.0f * static_cast<float>(q.column) / static_cast<float>(g.columns));
        I = luminance[static_cast<size_t>(256 * ly + lx)] * opacity;
      }
      // A transparency beyond 100 would give an opacity below 0: none.
      const uint32_t alpha = static_cast<uint32_t>(std::clamp(I, 0.0f, 1.0f) * 255.0f);
      const D3DCOLOR colour = ((alpha << 24) | (q.kind == 2 ? highlightRgb : glyphRgb)) & mask;
      const float hw = q.half, hh = q.half;
      DX_V::PCT* quad = v + k * 4;
      quad[0] = DX_V::PCT{q.x - hw, q.y + hh, q.z, colour, 0.0f, q.v1};
      quad[1] = DX_V::PCT{q.x - hw, q.y - hh, q.z, colour, 0.0f, q.v0};
      quad[2] = DX_V::PCT{q.x + hw, q.y + hh, q.z, colour, 1.0f, q.v1};
      quad[3] = DX_V::PCT{q.x + hw, q.y - hh, q.z, colour, 1.0f, q.v0};
    }
    if (v) batch->Unlock();
  }
}

void DS_MatrixCodeLight::DrawGlyphs() {
  IDirect3DDevice9* d = CurrentDevice();
  if (!d || !atlas) return;
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  SetViewProjection();
  SetWorld(imageQuad);
  for (auto& batch : batches) {
    if (!batch->vertexBuffer || !batch->indexBuffer) continue;
    d->SetTexture(0, atlas);
    d->SetIndices(batch->indexBuffer);
    d->SetFVF(DX_V::PCT::FVF);
    d->SetStreamSource(0, batch->vertexBuffer, 0, sizeof(DX_V::PCT));
    d->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(batch->primitiveType), 0, 0,
                            static_cast<UINT>(batch->vertexCount), 0, static_cast<UINT>(batch->triangleCount));
  }
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void DS_MatrixCodeLight::OnResetDevice() {
  DS_2D_Light::OnResetDevice();
  if (IDirect3DDevice9* d = CurrentDevice()) {
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  }
}

void DS_MatrixCodeLight::EndFrame(int) {
  if (InFront.value == 1) DrawGlyphs();
  if (RenderContext* rc = CurrentRenderContext()) rc->DrawBorders();
}

void DS_MatrixCodeLight::ClearBackground(int argument) {
  StepAndFill(time);
  if (BackgroundMode.value == 0) {
    DS_2D_Light::ClearBackground(argument);
  } else if (BackgroundMode.value == 1) {
    if (IDirect3DDevice9* d = CurrentDevice()) d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  }
  if (InFront.value == 0) DrawGlyphs();
}

void DS_MatrixCodeLight::SetViewMode(int index) {
  DS_2D_Light::SetViewMode(index);
  CreateGrid();
  CreateBatches();
}

void DS_MatrixCodeLight::DrawTexturedScreenQuad(TexturedScreenQuad* quad) {
  DS_2D_Light::DrawTexturedScreenQuad(quad);
  if (IDirect3DDevice9* d = CurrentDevice()) d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
}

bool DS_MatrixCodeLight::GetScreenRects(std::vector<ScreenRect>& list) {
  const BackBufferInfo& bb = GetBackBufferInfo();
  list.push_back(ScreenRect{0.0f, 0.0f, static_cast<float>(bb.width), static_cast<float>(bb.height)});
  return true;
}

void DS_MatrixCodeLight::ResetView() {
  imageQuad.SetImageLink(backgroundLink);
  camera.SetDefaultViewSize(static_cast<uint32_t>(GetTargetWidth()), static_cast<uint32_t>(GetTargetHeight()));
  SetupView(viewCorners);
  BuildLuminanceMap();
  CreateGrid();
  CreateBatches();
}

void RegisterGlyphRainReader() { RegisterReader<DS_MatrixCodeLight, DS_2D_Light>(u"DS_MatrixCodeLight"); }
