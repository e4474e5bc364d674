#include "platform/d3dx9/d3dx9_tex.h"
#include "platform/image_decode.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/d3d9/d3d9_formats.h"
#include "platform/d3d9/pixel_memory.h"
#include "platform/win32/windows.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_ONLY_GIF
#define STBI_MAX_DIMENSIONS 16384
#include <stb_image.h>
#pragma GCC diagnostic pop

using d3d9impl::FindFormat;
using d3d9impl::FormatDesc;

namespace {

constexpr HRESULT kInvalidData = static_cast<HRESULT>(0x88760B59u);  // D3DXERR_INVALIDDATA
constexpr uint64_t kMaxPixels = 64ull << 20;  // larger pictures are refused as invalid

// A picture as BGRA rows.
struct Image {
  UINT w = 0, h = 0;
  PixelBytes px;
};

Image FromBytes(const uint8_t* bgra, UINT w, UINT h) {
  Image im;
  im.w = w;
  im.h = h;
  im.px.assign(bgra, bgra + static_cast<size_t>(w) * h * 4);
  return im;
}

struct Tap {
  UINT index;
  float weight;
};

UINT Address(int64_t i, UINT n, bool mirror) {
  int64_t m = static_cast<int64_t>(n);
  if (mirror) {
    int64_t p = ((i % (2 * m)) + 2 * m) % (2 * m);
    return static_cast<UINT>(p < m ? p : 2 * m - 1 - p);
  }
  return static_cast<UINT>(((i % m) + m) % m);
}

// Source taps of every destination position along one axis. Off-edge texels
// wrap, or mirror with the MIRROR flags.
std::vector<std::vector<Tap>> Taps(DWORD kind, UINT src, UINT dst, bool mirror) {
  std::vector<std::vector<Tap>> out(dst);
  double scale = static_cast<double>(src) / dst;
  for (UINT x = 0; x < dst; ++x) {
    std::vector<Tap>& t = out[x];
    double c = (x + 0.5) * scale;
    if (kind == D3DX_FILTER_POINT || (kind == D3DX_FILTER_BOX && scale <= 1.0)) {
      t.push_back({std::min(src - 1, static_cast<UINT>(std::floor(c))), 1.f});
    } else if (kind == D3DX_FILTER_LINEAR) {
      double p = c - 0.5, f = p - std::floor(p);
      int64_t i0 = static_cast<int64_t>(std::floor(p));
      t.push_back({Address(i0, src, mirror), static_cast<float>(1.0 - f)});
      t.push_back({Address(i0 + 1, src, mirror), static_cast<float>(f)});
    } else if (kind == D3DX_FILTER_BOX) {
      double a = x * scale, b = (x + 1) * scale;
      for (int64_t i = static_cast<int64_t>(std::floor(a)); i < static_cast<int64_t>(std::ceil(b)); ++i) {
        double w = std::min<double>(b, i + 1) - std::max<double>(a, i);
        if (w > 0) t.push_back({Address(i, src, mirror), static_cast<float>(w / scale)});
      }
    } else {  // triangle: a tent as wide as the scale, at least one texel
      double r = std::max(1.0, scale);
      double sum = 0;
      for (int64_t i = static_cast<int64_t>(std::floor(c - r)); i <= static_cast<int64_t>(std::ceil(c + r)); ++i) {
        double w = 1.0 - std::fabs((i + 0.5 - c) / r);
        if (w > 1e-9) {
          t.push_back({Address(i, src, mirror), static_cast<float>(w)});
          sum += w;
        }
      }
      for (Tap& tp : t) tp.weight = static_cast<float>(tp.weight / sum);
    }
  }
  return out;
}

// Scales an image to w x h with a D3DX filter value, one destination row at
// a time (rows of the source are combined first, then columns).
Image Resample(const Image& src, UINT w, UINT h, DWORD filter) {
  // Every filter leaves a picture of the same size as it is.
  if (src.w == w && src.h == h) return src;
  Image out;
  out.w = w;
  out.h = h;
  out.px.assign(static_cast<size_t>(w) * h * 4, 0);
  DWORD kind = filter & 0xFF;
  if (kind == 0 || kind > D3DX_FILTER_BOX) kind = D3DX_FILTER_TRIANGLE;
  if (kind == D3DX_FILTER_NONE) {
    // No scaling: the picture sits at the top left, the rest is transparent black.
    for (UINT y = 0; y < std::min(h, src.h); ++y)
      std::memcpy(&out.px[static_cast<size_t>(y) * w * 4], &src.px[static_cast<size_t>(y) * src.w * 4],
                  static_cast<size_t>(std::min(w, src.w)) * 4);
    return out;
  }
  auto tx = Taps(kind, src.w, w, (filter & D3DX_FILTER_MIRROR_U) != 0);
  auto ty = Taps(kind, src.h, h, (filter & D3DX_FILTER_MIRROR_V) != 0);
  auto rows = [&](UINT first, UINT end) {
    std::vector<float> row(static_cast<size_t>(src.w) * 4);
    for (UINT y = first; y < end; ++y) {
      std::fill(row.begin(), row.end(), 0.f);
      for (const Tap& t : ty[y]) {
        const uint8_t* s = &src.px[static_cast<size_t>(t.index) * src.w * 4];
        for (size_t i = 0; i < row.size(); ++i) row[i] += s[i] * t.weight;
      }
      uint8_t* d = &out.px[static_cast<size_t>(y) * w * 4];
      for (UINT x = 0; x < w; ++x) {
        float acc[4] = {0.f, 0.f, 0.f, 0.f};
        for (const Tap& t : tx[x])
          for (int c = 0; c < 4; ++c) acc[c] += row[static_cast<size_t>(t.index) * 4 + c] * t.weight;
        for (int c = 0; c < 4; ++c)
          d[x * 4 + c] = static_cast<uint8_t>(std::clamp(std::floor(acc[c] + 0.5f), 0.f, 255.f));
      }
    }
  };
  // Rows are independent: a big picture (loading a project resizes and
  // filters every one) is shared out among the cores, the result unchanged.
  uint64_t work = 0;
  for (const auto& t : ty) work += t.size() * static_cast<uint64_t>(src.w);
  for (const auto& t : tx) work += t.size() * static_cast<uint64_t>(h);
  const unsigned cores = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
  const unsigned parts = work < (uint64_t{1} << 20) ? 1u : std::min<unsigned>(cores, h);
  if (parts <= 1) {
    rows(0, h);
    return out;
  }
  auto bound = [&](unsigned k) { return static_cast<UINT>(uint64_t{h} * k / parts); };
  std::vector<std::thread> workers;
  workers.reserve(parts - 1);
  unsigned k = 1;
  try {
    for (; k < parts; ++k) workers.emplace_back(rows, bound(k), bound(k + 1));
  } catch (const std::system_error&) {
    // No thread to be had: this one does the rest.
  }
  rows(0, bound(1));
  if (k < parts) rows(bound(k), h);
  for (std::thread& t : workers) t.join();
  return out;
}

UINT NextPow2(UINT v) {
  UINT p = 1;
  while (p < v && p < (1u << 30)) p <<= 1;
  return p;
}

UINT FullChain(UINT w, UINT h) {
  UINT n = 1;
  while (w > 1 || h > 1) {
    w = std::max(1u, w / 2);
    h = std::max(1u, h / 2);
    ++n;
  }
  return n;
}

// The format D3DX creates for a requested one: itself when the device takes
// it as a texture, otherwise the closest it does take (24-bit colour becomes
// 32-bit colour with an unused byte, anything else A8R8G8B8).
D3DFORMAT TextureFormat(IDirect3DDevice9* device, D3DFORMAT requested, DWORD usage) {
  IDirect3D9* d3d = nullptr;
  if (FAILED(device->GetDirect3D(&d3d)) || !d3d) return requested;
  HRESULT hr = d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, usage, D3DRTYPE_TEXTURE,
                                      requested);
  d3d->Release();
  if (SUCCEEDED(hr)) return requested;
  return requested == D3DFMT_R8G8B8 ? D3DFMT_X8R8G8B8 : D3DFMT_A8R8G8B8;
}

UINT MaxSize(IDirect3DDevice9* device) {
  D3DCAPS9 caps{};
  if (device && SUCCEEDED(device->GetDeviceCaps(&caps)) && caps.MaxTextureWidth) return caps.MaxTextureWidth;
  return 4096;
}

// ---------------------------------------------------------------- DDS
struct DdsFile {
  D3DFORMAT format = D3DFMT_UNKNOWN;
  UINT w = 0, h = 0, mips = 0;
  std::vector<const uint8_t*> levels;
};

uint32_t Rd32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

D3DFORMAT DdsFormat(const uint8_t* pf) {
  uint32_t flags = Rd32(pf + 4), fourcc = Rd32(pf + 8), bits = Rd32(pf + 12);
  uint32_t r = Rd32(pf + 16), g = Rd32(pf + 20), b = Rd32(pf + 24), a = Rd32(pf + 28);
  constexpr uint32_t kAlphaPixels = 0x1, kAlpha = 0x2, kFourCC = 0x4, kRGB = 0x40, kLum = 0x20000,
                     kBump = 0x80000;
  if (flags & kFourCC) {
    switch (fourcc) {
      case D3DFMT_DXT1: case D3DFMT_DXT2: case D3DFMT_DXT3: case D3DFMT_DXT4: case D3DFMT_DXT5:
        return static_cast<D3DFORMAT>(fourcc);
      default:
        // Some writers store the format number itself.
        return FindFormat(static_cast<D3DFORMAT>(fourcc)) ? static_cast<D3DFORMAT>(fourcc) : D3DFMT_UNKNOWN;
    }
  }
  bool alpha = (flags & kAlphaPixels) != 0;
  if (flags & kBump) {
    if (bits == 16 && r == 0xFF && g == 0xFF00) return D3DFMT_V8U8;
    if (bits == 32 && r == 0xFFFF && g == 0xFFFF0000) return D3DFMT_V16U16;
    return D3DFMT_UNKNOWN;
  }
  if (flags & kLum) {
    if (bits == 8 && r == 0xFF) return D3DFMT_L8;
    if (bits == 16 && r == 0xFF && alpha && a == 0xFF00) return D3DFMT_A8L8;
    if (bits == 16 && r == 0xFFFF) return D3DFMT_L16;
    return D3DFMT_UNKNOWN;
  }
  if ((flags & kAlpha) && bits == 8 && a == 0xFF) return D3DFMT_A8;
  if (flags & kRGB) {
    if (bits == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF)
      return alpha && a == 0xFF000000u ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    if (bits == 32 && r == 0xFF && g == 0xFF00 && b == 0xFF0000)
      return alpha && a == 0xFF000000u ? D3DFMT_A8B8G8R8 : D3DFMT_X8B8G8R8;
    if (bits == 24 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) return D3DFMT_R8G8B8;
    if (bits == 16 && r == 0xF800 && g == 0x7E0 && b == 0x1F) return D3DFMT_R5G6B5;
    if (bits == 16 && r == 0x7C00 && g == 0x3E0 && b == 0x1F) return alpha ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
    if (bits == 16 && r == 0xF00 && g == 0xF0 && b == 0xF) return D3DFMT_A4R4G4B4;
  }
  return D3DFMT_UNKNOWN;
}

bool ReadDds(const uint8_t* p, size_t n, DdsFile* out) {
  if (n < 128 || std::memcmp(p, "DDS ", 4) != 0 || Rd32(p + 4) != 124) return false;
  out->h = Rd32(p + 12);
  out->w = Rd32(p + 16);
  UINT mips = Rd32(p + 28);
  uint32_t caps2 = Rd32(p + 112);
  if (caps2 & 0x200) return false;  // cube maps are not read
  if (Rd32(p + 80 + 8) == MAKEFOURCC('D', 'X', '1', '0')) return false;
  out->format = DdsFormat(p + 76);
  const FormatDesc* d = FindFormat(out->format);
  if (!d || d->depth || out->w == 0 || out->h == 0 || out->w > 16384 || out->h > 16384) return false;
  if (mips == 0) mips = 1;
  mips = std::min(mips, FullChain(out->w, out->h));
  size_t off = 128;
  for (UINT i = 0; i < mips; ++i) {
    UINT lw = std::max(1u, out->w >> i), lh = std::max(1u, out->h >> i);
    size_t bytes = static_cast<size_t>(d3d9impl::RowPitch(*d, lw)) * d3d9impl::RowCount(*d, lh);
    if (bytes > n - off) break;  // a truncated chain keeps the levels that are whole
    out->levels.push_back(p + off);
    off += bytes;
  }
  out->mips = static_cast<UINT>(out->levels.size());
  return out->mips > 0;
}

// ---------------------------------------------------------------- decoding
struct Decoded {
  Image image;
  D3DXIMAGE_INFO info{};
  D3DFORMAT natural = D3DFMT_A8R8G8B8;  // format for D3DFMT_UNKNOWN
  bool dds = false;
  DdsFile file;
};

D3DXIMAGE_FILEFORMAT Sniff(const uint8_t* p, size_t n) {
  if (n >= 4 && std::memcmp(p, "DDS ", 4) == 0) return D3DXIFF_DDS;
  if (n >= 8 && std::memcmp(p, "\x89PNG", 4) == 0) return D3DXIFF_PNG;
  if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8) return D3DXIFF_JPG;
  if (n >= 2 && p[0] == 'B' && p[1] == 'M') return D3DXIFF_BMP;
  if (n >= 4 && std::memcmp(p, "GIF8", 4) == 0) return D3DXIFF_PNG;  // no GIF value exists; read as a picture
  return D3DXIFF_TGA;
}

HRESULT Decode(const void* data, UINT size, bool need_pixels, Decoded* out) {
  if (!data || size == 0) return D3DERR_INVALIDCALL;
  if (size > 0x7FFFFFFFu) return kInvalidData;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  out->info.Depth = 1;
  out->info.MipLevels = 1;
  out->info.ResourceType = D3DRTYPE_TEXTURE;
  out->info.ImageFileFormat = Sniff(p, size);
  if (out->info.ImageFileFormat == D3DXIFF_DDS) {
    if (!ReadDds(p, size, &out->file)) return kInvalidData;
    out->dds = true;
    out->natural = out->file.format;
    out->info.Width = out->file.w;
    out->info.Height = out->file.h;
    out->info.MipLevels = out->file.mips;
    out->info.Format = out->file.format;
    if (need_pixels) {
      const FormatDesc* d = FindFormat(out->file.format);
      std::vector<uint8_t> bgra(static_cast<size_t>(out->file.w) * out->file.h * 4);
      if (d3d9impl::ToBGRA(*d, out->file.levels[0], d3d9impl::RowPitch(*d, out->file.w), out->file.w, out->file.h,
                           bgra.data()))
        out->image = FromBytes(bgra.data(), out->file.w, out->file.h);
    }
    return D3D_OK;
  }
  int w = 0, h = 0, comp = 0;
  // The header is read first so that a hostile size cannot ask for gigabytes.
  if (!stbi_info_from_memory(p, static_cast<int>(size), &w, &h, &comp)) return kInvalidData;
  if (w <= 0 || h <= 0 || static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > kMaxPixels) return kInvalidData;
  if (need_pixels) {
    stbi_uc* rgba = stbi_load_from_memory(p, static_cast<int>(size), &w, &h, &comp, 4);
    if (!rgba) return kInvalidData;
    PixelBytes bgra(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < bgra.size(); i += 4) {
      bgra[i] = rgba[i + 2];
      bgra[i + 1] = rgba[i + 1];
      bgra[i + 2] = rgba[i];
      bgra[i + 3] = rgba[i + 3];
    }
    stbi_image_free(rgba);
    out->image.w = static_cast<UINT>(w);
    out->image.h = static_cast<UINT>(h);
    out->image.px = std::move(bgra);
  }
  if (w <= 0 || h <= 0) return kInvalidData;
  out->info.Width = static_cast<UINT>(w);
  out->info.Height = static_cast<UINT>(h);
  switch (comp) {
    case 1: out->natural = D3DFMT_L8; break;
    case 2: out->natural = D3DFMT_A8L8; break;
    case 3: out->natural = D3DFMT_X8R8G8B8; break;
    default: out->natural = D3DFMT_A8R8G8B8; break;
  }
  out->info.Format = out->natural == D3DFMT_X8R8G8B8 ? D3DFMT_R8G8B8 : out->natural;
  return D3D_OK;
}

void ApplyColourKey(Image& im, D3DCOLOR key) {
  if (key == 0) return;
  for (size_t i = 0; i < im.px.size(); i += 4) {
    uint8_t* p = &im.px[i];
    if (D3DCOLOR_ARGB(p[3], p[2], p[1], p[0]) == key) std::memset(p, 0, 4);
  }
}

HRESULT WriteLevel(IDirect3DTexture9* tex, UINT level, const Image& im) {
  IDirect3DSurface9* s = nullptr;
  HRESULT hr = tex->GetSurfaceLevel(level, &s);
  if (FAILED(hr)) return hr;
  hr = D3D9_WritePixels(s, im.px.data());
  s->Release();
  return hr;
}

// Copies the stored blocks of a DDS level unchanged.
HRESULT CopyLevel(IDirect3DTexture9* tex, UINT level, const DdsFile& f, UINT file_level) {
  const FormatDesc* d = FindFormat(f.format);
  UINT lw = std::max(1u, f.w >> file_level), lh = std::max(1u, f.h >> file_level);
  D3DLOCKED_RECT lr;
  HRESULT hr = tex->LockRect(level, &lr, nullptr, 0);
  if (FAILED(hr)) return hr;
  UINT pitch = d3d9impl::RowPitch(*d, lw);
  for (UINT r = 0; r < d3d9impl::RowCount(*d, lh); ++r)
    std::memcpy(static_cast<uint8_t*>(lr.pBits) + static_cast<size_t>(r) * lr.Pitch, f.levels[file_level] + r * pitch,
                pitch);
  return tex->UnlockRect(level);
}

UINT ResolveSize(UINT requested, UINT image) {
  if (requested == 0 || requested == D3DX_DEFAULT) return NextPow2(image);
  if (requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE) return image;
  return requested;
}

// ---------------------------------------------------------------- decoding ahead
// Decoded but not yet taken: beyond this the workers wait.
constexpr size_t kPredecodeBudget = size_t(16) << 20;

class Predecoder {
 public:
  Predecoder(const D3DXPredecodeFile* files, size_t count) {
    items_.resize(count);
    for (size_t i = 0; i < count; ++i) {
      items_[i].data = files[i].data;
      items_[i].size = files[i].size;
      index_.emplace(files[i].data, i);  // the first of equal ranges
    }
    unsigned cores = std::thread::hardware_concurrency();
    unsigned n = static_cast<unsigned>(std::min<size_t>({cores > 1 ? cores - 1 : 1, 7, count}));
    try {
      for (unsigned k = 0; k < n; ++k) workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // Fewer workers, or none: what none reaches is decoded by the caller.
    }
  }
  ~Predecoder() {
    {
      std::lock_guard<std::mutex> lock(m_);
      stop_ = true;
    }
    cv_.notify_all();
    for (auto& t : workers_) t.join();
  }

  // True with the decoded picture when a worker decoded (or is decoding) it.
  bool Take(const void* data, UINT size, Decoded* out, HRESULT* hr) {
    std::unique_lock<std::mutex> lock(m_);
    auto found = index_.find(data);
    if (found == index_.end()) return false;
    Item& item = items_[found->second];
    if (item.size != size) return false;  // another range at the same address
    index_.erase(found);
    if (item.state == kWaiting) {
      item.state = kTaken;  // no worker has reached it: the caller decodes it
      return false;
    }
    cv_.wait(lock, [&] { return item.state == kDone; });
    *out = std::move(item.decoded);
    *hr = item.hr;
    ahead_ -= item.bytes;
    item.state = kTaken;
    cv_.notify_all();
    return true;
  }

 private:
  enum State { kWaiting, kDecoding, kDone, kTaken };
  struct Item {
    const void* data = nullptr;
    UINT size = 0;
    State state = kWaiting;
    HRESULT hr = D3D_OK;
    Decoded decoded;
    size_t bytes = 0;
  };

  void Work() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
      cv_.wait(lock, [&] { return stop_ || next_ >= items_.size() || ahead_ < kPredecodeBudget; });
      if (stop_ || next_ >= items_.size()) return;
      Item& item = items_[next_++];
      if (item.state != kWaiting) continue;
      item.state = kDecoding;
      lock.unlock();
      Decoded decoded;
      const HRESULT hr = Decode(item.data, item.size, true, &decoded);
      const size_t bytes = decoded.image.px.size();
      lock.lock();
      item.decoded = std::move(decoded);
      item.hr = hr;
      item.bytes = bytes;
      ahead_ += bytes;
      item.state = kDone;
      cv_.notify_all();
    }
  }

  std::mutex m_;
  std::condition_variable cv_;
  std::vector<Item> items_;
  std::unordered_map<const void*, size_t> index_;
  size_t next_ = 0;
  size_t ahead_ = 0;
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

Predecoder* g_predecoder = nullptr;

}  // namespace

HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT mip_levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out) {
  if (!device || !out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  UINT max = MaxSize(device);
  if (width == 0 || width == D3DX_DEFAULT) width = 256;
  if (height == 0 || height == D3DX_DEFAULT) height = 256;
  width = std::min(width, max);
  height = std::min(height, max);
  if (mip_levels == D3DX_DEFAULT) mip_levels = 0;
  if (format == D3DFMT_UNKNOWN || format == D3DFMT_FROM_FILE || !FindFormat(format)) format = D3DFMT_A8R8G8B8;
  format = TextureFormat(device, format, usage);
  const FormatDesc* d = FindFormat(format);
  if (d->compressed) {  // block formats keep whole blocks at the top level
    width = (width + 3) & ~3u;
    height = (height + 3) & ~3u;
  }
  return device->CreateTexture(width, height, mip_levels, usage, format, pool, out, nullptr);
}

HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID data, UINT size, D3DXIMAGE_INFO* info) {
  if (!info) return D3DERR_INVALIDCALL;
  Decoded dec;
  HRESULT hr = Decode(data, size, false, &dec);
  if (SUCCEEDED(hr)) *info = dec.info;
  return hr;
}

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* device, LPCVOID data, UINT size,
                                          IDirect3DTexture9** out) {
  return D3DXCreateTextureFromFileInMemoryEx(device, data, size, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                             D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                             nullptr, out);
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID data, UINT size, UINT width,
                                            UINT height, UINT mip_levels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD filter, DWORD mip_filter, D3DCOLOR color_key,
                                            D3DXIMAGE_INFO* info, PALETTEENTRY*, IDirect3DTexture9** out) {
  if (!device || !out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  Decoded dec;
  HRESULT hr = D3D_OK;
  if (!g_predecoder || !g_predecoder->Take(data, size, &dec, &hr)) hr = Decode(data, size, true, &dec);
  if (FAILED(hr)) return hr;
  UINT max = MaxSize(device);
  UINT w = std::min(ResolveSize(width, dec.info.Width), max);
  UINT h = std::min(ResolveSize(height, dec.info.Height), max);
  if (format == D3DFMT_UNKNOWN || format == D3DFMT_FROM_FILE) format = dec.natural;
  format = TextureFormat(device, format, usage);
  const FormatDesc* fd = FindFormat(format);
  if (!fd || fd->depth) return D3DERR_NOTAVAILABLE;
  UINT levels = mip_levels;
  if (levels == D3DX_FROM_FILE) levels = dec.info.MipLevels;
  if (levels == D3DX_DEFAULT) levels = 0;
  if (filter == D3DX_DEFAULT) filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
  if (mip_filter == D3DX_DEFAULT) mip_filter = D3DX_FILTER_BOX;
  IDirect3DTexture9* tex = nullptr;
  hr = device->CreateTexture(w, h, levels, usage, format, pool, &tex, nullptr);
  if (FAILED(hr)) return hr;
  UINT n = tex->GetLevelCount();
  bool direct = dec.dds && format == dec.file.format && w == dec.file.w && h == dec.file.h && color_key == 0;
  if (!direct && dec.image.px.empty()) hr = kInvalidData;  // a DDS format with no colour reading
  Image top;
  if (!dec.image.px.empty()) {
    ApplyColourKey(dec.image, color_key);
    // A picture already at the texture's size is taken as it is, not copied.
    top = dec.image.w == w && dec.image.h == h ? std::move(dec.image) : Resample(dec.image, w, h, filter);
  }
  for (UINT i = 0; i < n && SUCCEEDED(hr); ++i) {
    if (direct && i < dec.file.mips) {
      hr = CopyLevel(tex, i, dec.file, i);
    } else if (!top.px.empty()) {
      D3DSURFACE_DESC ld;
      tex->GetLevelDesc(i, &ld);
      hr = i == 0 ? WriteLevel(tex, 0, top) : WriteLevel(tex, i, Resample(top, ld.Width, ld.Height, mip_filter));
    }
  }
  if (FAILED(hr)) {
    tex->Release();
    return hr;
  }
  if (info) *info = dec.info;
  *out = tex;
  return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileExW(IDirect3DDevice9* device, LPCWSTR path, UINT width, UINT height,
                                     UINT mip_levels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                     DWORD mip_filter, D3DCOLOR color_key, D3DXIMAGE_INFO* info,
                                     PALETTEENTRY* palette, IDirect3DTexture9** out) {
  if (!device || !path || !out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  std::ifstream f(Win32_ToUtf8(path), std::ios::binary);
  if (!f) return D3DERR_NOTFOUND;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return kInvalidData;
  return D3DXCreateTextureFromFileInMemoryEx(device, bytes.data(), static_cast<UINT>(bytes.size()), width, height,
                                             mip_levels, usage, format, pool, filter, mip_filter, color_key, info,
                                             palette, out);
}

HRESULT D3DXCreateTextureFromFileW(IDirect3DDevice9* device, LPCWSTR path, IDirect3DTexture9** out) {
  return D3DXCreateTextureFromFileExW(device, path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                      D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, out);
}

HRESULT D3DXLoadSurfaceFromSurface(IDirect3DSurface9* dest, const PALETTEENTRY*, const RECT* dest_rect,
                                   IDirect3DSurface9* source, const PALETTEENTRY*, const RECT* source_rect,
                                   DWORD filter, D3DCOLOR color_key) {
  if (!dest || !source) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC sd, dd;
  source->GetDesc(&sd);
  dest->GetDesc(&dd);
  RECT sr = source_rect ? *source_rect : RECT{0, 0, static_cast<LONG>(sd.Width), static_cast<LONG>(sd.Height)};
  RECT dr = dest_rect ? *dest_rect : RECT{0, 0, static_cast<LONG>(dd.Width), static_cast<LONG>(dd.Height)};
  auto valid = [](const RECT& r, const D3DSURFACE_DESC& d) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= static_cast<LONG>(d.Width) &&
           r.bottom <= static_cast<LONG>(d.Height);
  };
  if (!valid(sr, sd) || !valid(dr, dd)) return D3DERR_INVALIDCALL;
  std::vector<uint8_t> src = D3D9_ReadBack(source);
  if (src.empty()) return D3DERR_INVALIDCALL;
  UINT sw = static_cast<UINT>(sr.right - sr.left), sh = static_cast<UINT>(sr.bottom - sr.top);
  std::vector<uint8_t> crop(static_cast<size_t>(sw) * sh * 4);
  for (UINT y = 0; y < sh; ++y)
    std::memcpy(&crop[static_cast<size_t>(y) * sw * 4], &src[((sr.top + y) * static_cast<size_t>(sd.Width) + sr.left) * 4],
                static_cast<size_t>(sw) * 4);
  Image im = FromBytes(crop.data(), sw, sh);
  ApplyColourKey(im, color_key);
  if (filter == D3DX_DEFAULT) filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
  UINT dw = static_cast<UINT>(dr.right - dr.left), dh = static_cast<UINT>(dr.bottom - dr.top);
  const PixelBytes scaled = std::move(Resample(im, dw, dh, filter).px);
  if (dw == dd.Width && dh == dd.Height) return D3D9_WritePixels(dest, scaled.data());
  std::vector<uint8_t> whole = D3D9_ReadBack(dest);
  if (whole.empty()) whole.assign(static_cast<size_t>(dd.Width) * dd.Height * 4, 0);
  for (UINT y = 0; y < dh; ++y)
    std::memcpy(&whole[((dr.top + y) * static_cast<size_t>(dd.Width) + dr.left) * 4],
                &scaled[static_cast<size_t>(y) * dw * 4], static_cast<size_t>(dw) * 4);
  return D3D9_WritePixels(dest, whole.data());
}

HRESULT D3DXFilterTexture(IDirect3DBaseTexture9* texture, const PALETTEENTRY*, UINT source_level, DWORD filter) {
  auto* tex = static_cast<IDirect3DTexture9*>(texture);
  if (!tex || source_level >= tex->GetLevelCount()) return D3DERR_INVALIDCALL;
  if (filter == D3DX_DEFAULT) filter = D3DX_FILTER_BOX;
  IDirect3DSurface9* src = nullptr;
  HRESULT hr = tex->GetSurfaceLevel(source_level, &src);
  if (FAILED(hr)) return hr;
  for (UINT i = source_level + 1; i < tex->GetLevelCount() && SUCCEEDED(hr); ++i) {
    IDirect3DSurface9* dst = nullptr;
    hr = tex->GetSurfaceLevel(i, &dst);
    if (SUCCEEDED(hr)) {
      hr = D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, src, nullptr, nullptr, filter, 0);
      dst->Release();
    }
  }
  src->Release();
  return hr;
}

bool Platform_DecodeImageRGBA(const uint8_t* bytes, size_t count, std::vector<uint8_t>* rgba, int* width, int* height) {
  if (!bytes || count == 0 || count > 0x7FFFFFFF || !rgba || !width || !height) return false;
  int n = 0;
  stbi_uc* pixels = stbi_load_from_memory(bytes, static_cast<int>(count), width, height, &n, 4);
  if (!pixels) return false;
  rgba->assign(pixels, pixels + static_cast<size_t>(*width) * static_cast<size_t>(*height) * 4);
  stbi_image_free(pixels);
  return true;
}

D3DXPredecode::D3DXPredecode(const D3DXPredecodeFile* files, size_t count) {
  delete g_predecoder;
  g_predecoder = files && count > 0 ? new Predecoder(files, count) : nullptr;
}

D3DXPredecode::~D3DXPredecode() {
  delete g_predecoder;
  g_predecoder = nullptr;
}
