// Reading a text .X mesh of about 1 MB, compressed, (a 120 x 120 grid with
// normals and uv), against the same file uncompressed.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9_mesh.h"

namespace {

std::vector<uint8_t> GridText(int n) {
  std::string s = "xof 0303txt 0032\nMesh Grid {\n";
  char line[128];
  const int verts = (n + 1) * (n + 1);
  s += std::to_string(verts) + ";\n";
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i) {
      std::snprintf(line, sizeof line, "%.4f;%.4f;%.4f;%c\n", i * 1.25f, 0.001f * ((i * 7 + j * 13) % 97),
                    j * 1.25f, i == n && j == n ? ';' : ',');
      s += line;
    }
  s += std::to_string(n * n) + ";\n";
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      int a = j * (n + 1) + i;
      std::snprintf(line, sizeof line, "4;%d,%d,%d,%d;%c\n", a, a + 1, a + n + 2, a + n + 1,
                    i == n - 1 && j == n - 1 ? ';' : ',');
      s += line;
    }
  s += "MeshNormals {\n1;\n0;1;0;;\n" + std::to_string(n * n) + ";\n";
  for (int f = 0; f < n * n; ++f) s += f + 1 == n * n ? "4;0,0,0,0;;\n" : "4;0,0,0,0;,\n";
  s += "}\nMeshTextureCoords {\n" + std::to_string(verts) + ";\n";
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i) {
      std::snprintf(line, sizeof line, "%.5f;%.5f;%c\n", i / float(n), j / float(n), i == n && j == n ? ';' : ',');
      s += line;
    }
  s += "}\n}\n";
  return std::vector<uint8_t>(s.begin(), s.end());
}

// Blocks of 32 KB, each a raw deflate stream primed with the earlier output.
std::vector<uint8_t> Zip(const std::vector<uint8_t>& plain) {
  std::vector<uint8_t> out(plain.begin(), plain.begin() + 16);
  out[8] = 't', out[9] = 'z', out[10] = 'i', out[11] = 'p';
  auto u16 = [&](size_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  u16(plain.size() & 0xFFFF);
  u16(plain.size() >> 16);
  for (size_t at = 16; at < plain.size(); at += 32768) {
    size_t n = std::min<size_t>(32768, plain.size() - at);
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    if (at > 16) deflateSetDictionary(&z, plain.data() + at - 32768, 32768);
    std::vector<uint8_t> packed(deflateBound(&z, n));
    z.next_in = const_cast<Bytef*>(plain.data() + at);
    z.avail_in = static_cast<uInt>(n);
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    deflate(&z, Z_FINISH);
    packed.resize(packed.size() - z.avail_out);
    deflateEnd(&z);
    u16(n);
    u16(packed.size() + 2);
    out.push_back('C');
    out.push_back('K');
    out.insert(out.end(), packed.begin(), packed.end());
  }
  return out;
}

void Read(benchmark::State& state, bool compressed) {
  static const std::vector<uint8_t> plain = GridText(120);
  static const std::vector<uint8_t> zipped = Zip(plain);
  const std::vector<uint8_t>& file = compressed ? zipped : plain;
  for (auto _ : state) {
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXLoadMeshFromXInMemory(file.data(), static_cast<DWORD>(file.size()), D3DXMESH_SYSTEMMEM |
                                           D3DXMESH_32BIT, nullptr, nullptr, nullptr, nullptr, nullptr, &mesh);
    if (FAILED(hr) || !mesh) {
      state.SkipWithError("mesh not read");
      break;
    }
    mesh->Release();
  }
  state.counters["file_bytes"] = static_cast<double>(file.size());
  state.counters["plain_bytes"] = static_cast<double>(plain.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(plain.size()));
}

void BM_CompressedTextX(benchmark::State& state) { Read(state, true); }
void BM_PlainTextX(benchmark::State& state) { Read(state, false); }

}  // namespace

BENCHMARK(BM_CompressedTextX)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTextX)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
