#include "effects/slide_renderers_water.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "player/render_context.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int32_t kMaxNodes = 65536;
constexpr int32_t kMinSide = 4;

int32_t Even(int32_t v) { return v & ~1; }

}  // namespace

// ---------------------------------------------------------------------------
// Refraction table

const RefractionEntry* RefractionTable() {
  static const std::vector<RefractionEntry> table = [] {
    std::vector<RefractionEntry> t(256);
    for (int i = 0; i < 256; ++i) {
      const float c = static_cast<float>(i) / 256.0f;
      const float s = std::sin(std::acos(c));
      const float s2 = s / 1.333f;
      t[i].a = std::cos(std::asin(s2)) * (s / s2) - c;
      t[i].b = -(s2 / s);
      const uint32_t k = static_cast<uint32_t>(255 - i);
      t[i].colour = ((k * k * k) & 0xFFFF0000u) << 8;
    }
    return t;
  }();
  return table.data();
}

// ---------------------------------------------------------------------------
// WaterGrid

std::vector<uint16_t> WaterGrid::RingStripIndices(int32_t columns, int32_t rows) {
  const size_t nodes = static_cast<size_t>(std::max(0, columns)) * static_cast<size_t>(std::max(0, rows));
  const size_t total = 2 * nodes;
  std::vector<uint16_t> out;
  out.reserve(total);
  auto put = [&](int32_t r, int32_t c) {
    if (out.size() < total) {
      const int64_t index = static_cast<int64_t>(r) * columns + c;
      out.push_back(index >= 0 && static_cast<size_t>(index) < nodes ? static_cast<uint16_t>(index) : 0);
    }
  };
  int32_t d = 0, s = 0, w = columns, h = rows;
  while (out.size() < total && w > 0 && h > 0) {
    const int32_t L = s + w - 1, B = d + h - 1;
    for (int32_t c = s; c <= L; ++c) {
      put(d, c);
      put(d + 1, c);
    }
    if (h > 1) {
      for (int32_t r = d + 1; r <= B; ++r) {
        put(r, L);
        put(r, L - 1);
      }
    }
    if (w > 1) {
      for (int32_t c = L - 1; c >= s; --c) {
        put(B, c);
        put(B - 1, c);
      }
    }
    if (h > 2) {
      for (int32_t r = B - 1; r >= d + 1; --r) {
        put(r, s);
        put(r, s + 1);
      }
    }
    ++d;
    ++s;
    w -= 2;
    h -= 2;
  }
  out.resize(total, 0);
  return out;
}

HRESULT WaterGrid::CreateBuffers() {
  IDirect3DDevice9* d = CurrentDevice();
  if (!d) return E_FAIL;
  if (!indexBuffer) {
    const std::vector<uint16_t> indices = RingStripIndices(columns, rows);
    HRESULT hr = d->CreateIndexBuffer(static_cast<UINT>(indices.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                      D3DPOOL_DEFAULT, indexBuffer.ReleaseAndGetAddressOf(), nullptr);
    if (FAILED(hr)) return hr;
    void* p = nullptr;
    if (SUCCEEDED(indexBuffer->Lock(0, 0, &p, 0)) && p) {
      std::memcpy(p, indices.data(), indices.size() * 2);
      indexBuffer->Unlock();
    }
  }
  if (!vertexBuffer) {
    HRESULT hr = d->CreateVertexBuffer(static_cast<UINT>(nodeCount) * sizeof(WaterVertex),
                                       D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, WaterVertex::FVF, D3DPOOL_DEFAULT,
                                       vertexBuffer.ReleaseAndGetAddressOf(), nullptr);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

void WaterGrid::ReleaseBuffers() {
  indexBuffer = nullptr;
  vertexBuffer = nullptr;
}

void WaterGrid::AddDrop() {
  if (columns < 3 || rows < 3) return;
  const int32_t c = crt_rand() % (columns - 2) + 1;
  const int32_t r = crt_rand() % (rows - 2) + 1;
  auto at = [&](int32_t rr, int32_t cc) -> WaterNode& { return nodes[static_cast<size_t>(rr) * columns + cc]; };
  at(r, c).velocity -= impulse * 0.25f;
  for (auto [dr, dc] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) at(r + dr, c + dc).velocity -= impulse * 0.125f;
  for (auto [dr, dc] : {std::pair{-1, -1}, {-1, 1}, {1, -1}, {1, 1}}) at(r + dr, c + dc).velocity -= impulse * 0.0625f;
}

void WaterGrid::Simulate() {
  if (nodeCount <= 0 || columns < 2 || rows < 2) return;
  next.resize(static_cast<size_t>(nodeCount));
  const size_t cols = static_cast<size_t>(columns);
  for (int step = 0; step < 4; ++step) {
    // Row by row, as the sweep reads: a border node is zeroed when the sweep
    // reaches it, so later nodes see it zeroed and earlier ones did not.
    float sum = 0.0f;
    auto zero = [&](size_t i) {
      nodes[i] = WaterNode{};
      next[i] = 0.0f;
    };
    for (size_t c = 0; c < cols; ++c) zero(c);
    for (int32_t r = 1; r < rows - 1; ++r) {
      const size_t row = static_cast<size_t>(r) * cols;
      zero(row);
      const WaterNode* up = &nodes[row - cols];
      const WaterNode* mid = &nodes[row];
      const WaterNode* down = &nodes[row + cols];
      for (size_t c = 1; c < cols; ++c) {
        const size_t left = c - 1, right = c + 1 < cols ? c + 1 : 0;
        const float edges = up[c].height + down[c].height + mid[left].height + mid[right].height;
        const float diagonals = up[left].height + up[right].height + down[left].height + down[right].height;
        const float avg = edges / 6.0f + diagonals / 12.0f;
        const WaterNode& n = mid[c];
        const float v = (avg - n.height) * 0.25f + damping * n.velocity;
        next[row + c] = v;
        sum += n.height + v;
      }
    }
    for (size_t c = 0; c < cols; ++c) zero(static_cast<size_t>(rows - 1) * cols + c);
    const float mean = sum / static_cast<float>(nodeCount);
    meanRemoved = mean;
    for (size_t i = 0; i < nodes.size(); ++i) {
      nodes[i].velocity = next[i];
      nodes[i].height = nodes[i].height + next[i] * speed - mean;
    }
  }
}

void WaterGrid::FillVertices(const D3DXVECTOR3& eye, WaterVertex* out) const {
  const RefractionEntry* t = table ? table : RefractionTable();
  const float dx = width / static_cast<float>(columns - 1), dz = height / static_cast<float>(rows - 1);
  const float shrink = 1.0f - 0.05f * refraction;
  float z = -height / 2.0f;
  for (int32_t r = 0; r < rows; ++r, z += dz) {
    const int32_t up = (r + rows - 1) % rows, down = (r + 1) % rows;
    float x = -width / 2.0f;
    for (int32_t c = 0; c < columns; ++c, x += dx) {
      const int32_t left = (c + columns - 1) % columns, right = (c + 1) % columns;
      auto h = [&](int32_t rr, int32_t cc) { return nodes[static_cast<size_t>(rr) * columns + cc].height; };
      const float a = h(up, left) - h(down, right);
      const float b = h(up, right) - h(down, left);
      const float e = h(up, c) - h(down, c);
      const float f = h(r, left) - h(r, right);
      D3DXVECTOR3 n(f + a - b, 1.0f, e + a + b);
      D3DXVec3Normalize(&n, &n);
      const float y = h(r, c);
      D3DXVECTOR3 w = eye - D3DXVECTOR3(x, y, z);
      D3DXVec3Normalize(&w, &w);
      // A normal facing away from the eye would index below the table.
      const long k = std::clamp(std::lround(D3DXVec3Dot(&w, &n) * 255.0f), 0L, 255L);
      const RefractionEntry& entry = t[k];
      WaterVertex& v = out[static_cast<size_t>(r) * columns + c];
      v.x = x;
      v.y = y;
      v.z = z;
      v.nx = n.x;
      v.ny = n.y;
      v.nz = n.z;
      v.color = entry.colour;
      const D3DXVECTOR3 q = entry.b * (entry.a * n + w);
      const D3DXVECTOR3 o(x, y - 20.0f, z);
      const float B = 2.0f * D3DXVec3Dot(&q, &o);
      const float K = D3DXVec3Dot(&o, &o) - 1225.0f;
      // A ray that misses the sphere would give NaN coordinates.
      const float disc = std::max(0.0f, B * B - 4.0f * K);
      const float tt = (std::sqrt(disc) - B) / 2.0f * refraction;
      v.u = shrink * (x + tt * q.x) / width + 0.5f;
      v.v = shrink * (z + tt * q.z) / height + 0.5f;
    }
  }
}

void WaterGrid::Step(const D3DXVECTOR3& eye) {
  Simulate();
  if (!vertexBuffer) return;
  void* p = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &p, D3DLOCK_DISCARD)) || !p) return;
  FillVertices(eye, static_cast<WaterVertex*>(p));
  vertexBuffer->Unlock();
}

// ---------------------------------------------------------------------------
// DS_WaterRingLight

DS_WaterRingLight::DS_WaterRingLight() {
  DropRate.SetScaleOffset(1.0f / 60.0f, 0.0f, 30u);
  SpecularLevel.SetScaleOffset(0.01f, 0.0f, 90u);
  Shininess.SetScaleOffset(0.8f, 0.0f, 50u);
  D3DXMatrixIdentity(&world);
  D3DXMatrixIdentity(&viewInverse);
  D3DXMatrixIdentity(&view);
  D3DXMatrixIdentity(&projection);
}

DS_WaterRingLight::~DS_WaterRingLight() = default;

void DS_WaterRingLight::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version > 1) {
    for (MediaParamT<unsigned int>* p : {&RingSpeed, &GridStretch, &GridDetail, &DropStrength, &Damping,
                                          &RefractionDepth}) {
      ar.ReadUInt(&p->value);
    }
    DropRate.Read(ar);
    SpecularLevel.Read(ar);
    Shininess.Read(ar);
  }
  uint32_t over = 0;
  ar.ReadUInt(&over);
  OverSlide.value = static_cast<int32_t>(over);
  zvi_string baseName;
  int32_t baseVersion = 0;
  ar.ReadWideString(&baseName);
  ar.ReadInt(&baseVersion);
  DS_2D_Light::ReadRecord(ar, baseVersion);
}

float DS_WaterRingLight::DampingFactor(uint32_t value) {
  if (value < 50) return 0.9f + static_cast<float>(value) * 0.0018f;
  return 0.99f + static_cast<float>(value - 50) * 0.00018f;
}

void DS_WaterRingLight::GridSize(float aspect, uint32_t detail, uint32_t stretch, int32_t* columns, int32_t* rows) {
  // Counts are bounded before they are converted: a drop needs an interior
  // node, and the 16-bit strip holds at most 65536 nodes.
  const float fc = std::trunc((0.01f * static_cast<float>(detail) + 1.0f) * 128.0f);
  int32_t c = Even(static_cast<int32_t>(std::clamp(fc, 0.0f, static_cast<float>(kMaxNodes / kMinSide))));
  c = std::max(c, kMinSide);
  float fr = std::trunc(aspect * static_cast<float>(c) * (0.01f * static_cast<float>(stretch) + 1.0f));
  if (!(fr >= 0.0f)) fr = 0.0f;
  int32_t r = Even(static_cast<int32_t>(std::min(fr, static_cast<float>(kMaxNodes / kMinSide))));
  r = std::max(r, kMinSide);
  if (static_cast<int64_t>(c) * r > kMaxNodes) c = std::max(Even(kMaxNodes / r), kMinSide);
  *columns = c;
  *rows = r;
}

void DS_WaterRingLight::BuildGrid() {
  const float x = imageQuad.picture.aspect > 0.0f && std::isfinite(imageQuad.picture.aspect)
                      ? imageQuad.picture.aspect
                      : 1.0f;
  GridSize(x, GridDetail.value, GridStretch.value, &grid.columns, &grid.rows);
  grid.width = 30.0f / x;
  grid.height = 30.0f;
  grid.inverseWidth = 1.0f / grid.width;
  grid.inverseHeight = 1.0f / grid.height;
  grid.nodeCount = grid.columns * grid.rows;
  grid.stripIndexCount = 2 * grid.nodeCount;
  grid.nodes.assign(static_cast<size_t>(grid.nodeCount), WaterNode{});
  grid.ReleaseBuffers();
  grid.CreateBuffers();
  grid.AddDrop();
}

void DS_WaterRingLight::ApplyMaterial() {
  IDirect3DDevice9* d = CurrentDevice();
  if (!d) return;
  D3DMATERIAL9 m{};
  m.Diffuse = D3DCOLORVALUE{0.0f, 0.0f, 0.0f, 1.0f};
  const float s = SpecularLevel.derived;
  m.Specular = D3DCOLORVALUE{s, s, s, 0.0f};
  m.Power = Shininess.derived;
  d->SetMaterial(&m);
}

void DS_WaterRingLight::BeginSlide() {
  DS_2D_Light::BeginSlide();
  if (!grid.table) grid.table = RefractionTable();
  D3DXMatrixRotationX(&view, -kPi / 2.0f);
  view._41 = 0.0f;
  view._42 = 120.0f;
  view._43 = 0.0f;
  if (!D3DXMatrixInverse(&viewInverse, nullptr, &view)) D3DXMatrixIdentity(&viewInverse);
  grid.speed = 1.0f + 0.02f * static_cast<float>(RingSpeed.value);
  grid.impulse = 0.1f + 0.007f * static_cast<float>(DropStrength.value);
  grid.damping = DampingFactor(Damping.value);
  grid.refraction = 0.01f * static_cast<float>(RefractionDepth.value);
  BuildGrid();
  ApplyMaterial();
}

void DS_WaterRingLight::OrthographicView(const QuadCorners& corners) {
  const float cw = corners.c[3].x - corners.c[0].x, ch = corners.c[2].y - corners.c[1].y;
  if (cw == 0.0f || ch == 0.0f) return;
  DS_2D_Light::SetupView(corners);
  const BackBufferInfo& bb = GetBackBufferInfo();
  const float pw = static_cast<float>(GetTargetWidth()), ph = static_cast<float>(GetTargetHeight());
  if (pw <= 0.0f || ph <= 0.0f) return;
  const float aspect = imageQuad.picture.aspect > 0.0f ? imageQuad.picture.aspect : 1.0f;
  const float half = (30.0f / aspect) * 0.5f;
  const float fx = static_cast<float>(bb.width) / pw * half;
  const float fy = static_cast<float>(bb.height) / ph * 15.0f;
  D3DXMatrixOrthoOffCenterRH(&projection, -half, fx - (half - fx), -(fy - (15.0f - fy)), 15.0f, -1.0f, 2000.0f);
  if (IDirect3DDevice9* d = CurrentDevice()) d->SetTransform(D3DTS_PROJECTION, &projection);
}

void DS_WaterRingLight::SetupView(const QuadCorners& corners) { OrthographicView(corners); }

void DS_WaterRingLight::SetViewMode(int index) {
  savedFitMode = index;
  camera.ApplyView(viewCorners, imageQuad.picture, index, false);
  DS_2D_Light::SetupView(viewCorners);
  OrthographicView(viewCorners);
}

void DS_WaterRingLight::SetLighting(bool on) {
  if (IDirect3DDevice9* d = CurrentDevice()) {
    d->SetRenderState(D3DRS_LIGHTING, on ? TRUE : FALSE);
    d->SetRenderState(D3DRS_SPECULARENABLE, on ? TRUE : FALSE);
  }
}

void DS_WaterRingLight::DrawWater(IDirect3DTexture9* texture) {
  IDirect3DDevice9* d = CurrentDevice();
  if (!d || !grid.vertexBuffer || !grid.indexBuffer) return;
  DWORD clip = 0;
  d->GetRenderState(D3DRS_CLIPPLANEENABLE, &clip);
  d->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
  OrthographicView(viewCorners);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT);

  RenderContext* rc = CurrentRenderContext();
  D3DXMATRIX M = world;
  if (rc) M = rc->WorldFor(world) * rc->view;
  const float W = grid.width, H = grid.height;
  const float pw = static_cast<float>(GetTargetWidth()), ph = static_cast<float>(GetTargetHeight());
  const float ox = M._11 != 0.0f && pw > 0.0f ? (M._41 / M._11) / pw : 0.0f;
  const float oy = M._22 != 0.0f && ph > 0.0f ? (M._42 / M._22) / ph : 0.0f;
  D3DXMATRIX toCorner, fromCorner;
  D3DXMatrixTranslation(&toCorner, W / 2.0f + W * ox, 0.0f, H / 2.0f + H * oy);
  D3DXMatrixTranslation(&fromCorner, -W / 2.0f, H / 2.0f, 0.0f);
  const D3DXMATRIX meshWorld = toCorner * viewInverse * M * fromCorner;
  d->SetTransform(D3DTS_WORLD, &meshWorld);
  d->SetTransform(D3DTS_VIEW, &world);
  d->SetTransform(D3DTS_PROJECTION, &projection);

  d->SetTexture(0, texture);
  d->SetFVF(WaterVertex::FVF);
  d->SetStreamSource(0, grid.vertexBuffer, 0, sizeof(WaterVertex));
  d->SetIndices(grid.indexBuffer);
  d->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, static_cast<UINT>(grid.nodeCount), 0,
                          static_cast<UINT>(2 * grid.nodeCount - 2));
  d->SetRenderState(D3DRS_CLIPPLANEENABLE, clip);
}

void DS_WaterRingLight::OnResetDevice() {
  if (IDirect3DDevice9* d = CurrentDevice()) {
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = D3DCOLORVALUE{lightColour[0], lightColour[1], lightColour[2], lightColour[3]};
    light.Specular = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
    light.Direction = D3DVECTOR{lightDirection.x, lightDirection.y, lightDirection.z};
    d->SetLight(0, &light);
    d->LightEnable(0, TRUE);
    ApplyMaterial();
    d->SetFVF(D3DFVF_XYZ);
    d->SetTransform(D3DTS_VIEW, &viewInverse);
    d->SetTransform(D3DTS_WORLD, &world);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    for (DWORD s = 0; s < 2; ++s) {
      d->SetTextureStageState(s, D3DTSS_COLORARG1, D3DTA_TEXTURE);
      d->SetTextureStageState(s, D3DTSS_COLORARG2, D3DTA_CURRENT);
      d->SetTextureStageState(s, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
      d->SetTextureStageState(s, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
      d->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, 0);
    }
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
    d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR);
  }
  BuildGrid();
  OrthographicView(viewCorners);
  if (DS_DocResManager* manager = CurrentDocResManager()) manager->OnResetDevice();
  MakeTargetsUnlessPrepared();
}

void DS_WaterRingLight::OnLostDevice() {
  DS_2D_Light::OnLostDevice();
  grid.ReleaseBuffers();
}

void DS_WaterRingLight::UpdateCamera(float t) {
  camera.Update(t);
  if (t < lastDrop) lastDrop = t;
  if (t - lastDrop > 1.0f / DropRate.derived) {
    grid.AddDrop();
    lastDrop = t;
  }
  grid.Step(D3DXVECTOR3(view._41, view._42, view._43));
}

void DS_WaterRingLight::EndFrame(int) {
  SetLighting(true);
  if (OverSlide.value == 1) {
    TextureHolder* slide = EndTarget(true);
    DrawWater(slide ? slide->Get() : nullptr);
  }
  if (RenderContext* rc = CurrentRenderContext()) rc->DrawBorders();
  SetLighting(false);
}

void DS_WaterRingLight::ClearBackground(int argument) {
  IDirect3DDevice9* d = CurrentDevice();
  if (!d) return;
  SetLighting(true);
  if (OverSlide.value == 1) {
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    DS_2D_Light::ClearBackground(argument);
  } else {
    d->SetTexture(0, imageQuad.picture.texture);
    d->SetFVF(DX_V::PT::FVF);
    d->SetStreamSource(0, imageQuad.vertexBuffer, 0, sizeof(DX_V::PT));
    DrawWater(imageQuad.picture.texture.Get());
  }
  SetLighting(false);
}

void DS_WaterRingLight::DrawQuadRange(DS_IndexedMesh<DX_V::PCT>* g, ID3DXEffect** effect, int first, int count) {
  if (IDirect3DDevice9* d = CurrentDevice()) d->SetRenderState(D3DRS_LIGHTING, FALSE);
  DS_2D_Light::DrawQuadRange(g, effect, first, count);
  if (IDirect3DDevice9* d = CurrentDevice()) d->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void DS_WaterRingLight::DrawMesh(MeshInstance* mesh) {
  if (IDirect3DDevice9* d = CurrentDevice()) d->SetRenderState(D3DRS_LIGHTING, FALSE);
  DS_2D_Light::DrawMesh(mesh);
  if (IDirect3DDevice9* d = CurrentDevice()) d->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void DS_WaterRingLight::DrawTexturedBatch(DS_SpriteArrayT<DX_V::PCT>* batch) {
  if (IDirect3DDevice9* d = CurrentDevice()) d->SetRenderState(D3DRS_LIGHTING, FALSE);
  DS_2D_Light::DrawTexturedBatch(batch);
  if (IDirect3DDevice9* d = CurrentDevice()) d->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void DS_WaterRingLight::DrawMeshPerChild(MeshInstance* mesh) {
  if (IDirect3DDevice9* d = CurrentDevice()) d->SetRenderState(D3DRS_LIGHTING, FALSE);
  DS_2D_Light::DrawMeshPerChild(mesh);
  if (IDirect3DDevice9* d = CurrentDevice()) d->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void DS_WaterRingLight::DrawOverlay(ScreenQuad* quad) {
  DS_2D_Light::DrawOverlay(quad);
  if (IDirect3DDevice9* d = CurrentDevice()) d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void DS_WaterRingLight::DrawTexturedScreenQuad(TexturedScreenQuad* quad) {
  IDirect3DDevice9* d = CurrentDevice();
  if (d) {
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  }
  DS_2D_Light::DrawTexturedScreenQuad(quad);
  if (d) {
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  }
}

bool DS_WaterRingLight::GetScreenRects(std::vector<ScreenRect>& list) {
  const BackBufferInfo& bb = GetBackBufferInfo();
  list.push_back(ScreenRect{0.0f, 0.0f, static_cast<float>(bb.width), static_cast<float>(bb.height)});
  return true;
}

void DS_WaterRingLight::BeginBackgroundChain() {
  DS_2D_Light::BeginBackgroundChain();
  if (OverSlide.value == 1) return;
  savedFitMode = 0;
  camera.ApplyView(viewCorners, imageQuad.picture, 0, false);
  DS_2D_Light::SetupView(viewCorners);
  OrthographicView(viewCorners);
}

TextureHolder* DS_WaterRingLight::EndTarget(bool clear) {
  if (OverSlide.value != 1) {
    savedFitMode = 1;
    camera.ApplyView(viewCorners, imageQuad.picture, 1, false);
    DS_2D_Light::SetupView(viewCorners);
    OrthographicView(viewCorners);
  }
  return DS_2D_Light::EndTarget(clear);
}

void RegisterWaterRingReader() { RegisterReader<DS_WaterRingLight, DS_2D_Light>(u"DS_WaterRingLight"); }
