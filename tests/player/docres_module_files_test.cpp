// Resource modules found on disk beside the executable: their pictures,
// meshes and effects come before the project's stored copies, which come
// before the built-in stand-ins.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/d3dx9/d3dx9_tex.h"
#include "player/slide_render_context.h"
#include "player/texture_cache.h"
#include "resources/builtin_resources.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/pe_module_writer.h"

namespace render_test {
namespace {

namespace fs = std::filesystem;

constexpr D3DCOLOR kModuleGreen = 0xFF20C040;
constexpr D3DCOLOR kStoredRed = 0xFFD02020;

std::vector<uint8_t> Solid(D3DCOLOR c) {
  return Png(8, 8, [c](int, int) { return c; });
}

// A module file written beside the test program, removed at the end.
struct ModuleBeside {
  fs::path path;
  ModuleBeside(const std::string& name, const std::vector<pw::PeModuleResource>& resources, bool wide) {
    path = fs::read_symlink("/proc/self/exe").parent_path() / name;
    const std::vector<uint8_t> bytes = pw::PeModule(resources, wide).bytes;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  ~ModuleBeside() {
    std::error_code ec;
    fs::remove(path, ec);
  }
};

pw::PeModuleResource Picture(uint16_t id, D3DCOLOR c) {
  pw::PeModuleResource r;
  r.typeName = u"DDS";
  r.id = id;
  r.data = Solid(c);
  return r;
}

class ModuleFilePixels : public RenderTest {
 protected:
  // The centre of a slide whose background is the link (module, id), the
  // document storing `stored` bytes for it when given.
  D3DCOLOR SlideCentre(const char16_t* module, uint16_t id, const std::vector<uint8_t>& stored) {
    pw::DocResRecord record;
    if (!stored.empty()) record.moduleImages.push_back({module, id, {{id, module, u"", stored}}});
    UseDocument(MakeDocument(record));
    DS_2D_Light light;
    light.backgroundLink.name = module;
    light.backgroundLink.id = id;
    light.BeginSlide();
    QuadCorners screen;
    screen.SetRect(kBack, kBack);
    light.SetupView(screen);
    light.SetViewMode(kFitLetterbox);
    light.RestartCamera(1);
    light.OnResetDevice();
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    light.ClearBackground(0);
    light.EndFrame(0);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer().at(kBack / 2, kBack / 2);
  }
};

// Each case runs in a process of its own under ctest, but all may run in
// one: each module name is used by one case only.
TEST_F(ModuleFilePixels, ModulePictureThenStoredCopyThenNothing) {
  struct Case {
    const char* what;
    const char16_t* link;
    const char* file;  // written beside the program, or null
    bool wide;
    uint16_t moduleId;  // the id of the module's picture; the link asks for 40
    std::vector<uint8_t> stored;
    D3DCOLOR want;
  } cases[] = {
      {"beside the player, no stored copy", u"other_res.dll", "other_res.dll", false, 40, {}, kModuleGreen},
      {"the module wins over the stored copy (64-bit)", u"Wide_Res.DLL", "wide_res.dll", true, 40, Solid(kStoredRed),
       kModuleGreen},
      {"module without the picture: the stored copy", u"lacking_res.dll", "lacking_res.dll", false, 41,
       Solid(kStoredRed), kStoredRed},
      {"no module: the stored copy", u"missing_res.dll", nullptr, false, 0, Solid(kStoredRed), kStoredRed},
      // The empty 800 x 600 entry: the quad drawn without a texture, as before.
      {"no module, no copy: no picture", u"absent_res.dll", nullptr, false, 0, {}, 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<pw::PeModuleResource> resources = {Picture(c.moduleId, kModuleGreen)};
    std::unique_ptr<ModuleBeside> module;
    if (c.file) module = std::make_unique<ModuleBeside>(c.file, resources, c.wide);
    const D3DCOLOR got = SlideCentre(c.link, 40, c.stored);
    EXPECT_TRUE(Near(got, c.want, 6)) << std::hex << got;
  }
}

// Frame sets (texture sources) read a module file's picture before the
// project's stored copy of it.
TEST_F(ModuleFilePixels, FrameSetsTakeTheModulePictureFirst) {
  ModuleBeside module("frames_res.dll", {Picture(42, kModuleGreen)}, true);
  pw::DocResRecord record;
  record.moduleImages.push_back({u"frames_res.dll", 42, {{42, u"frames_res.dll", u"", Solid(kStoredRed)}}});
  UseDocument(MakeDocument(record));
  ImageFrameSet& set = doc_->GetImage(DS_ImageFileLink(42, u"frames_res.dll"), D3DX_FILTER_NONE);
  ASSERT_EQ(set.textures.size(), 1u);
  EXPECT_TRUE(Near(ReadTexture(set.textures[0].Get()).at(2, 2), kModuleGreen, 6));
}

// Module effects go through the same effect creation as stored ones: an
// effect our layer reads is used; after one it refuses comes the stored copy
// (and then the class's stand-in, as for a refused copy).
TEST_F(ModuleFilePixels, ModuleEffectsBeforeStoredCopiesAndStandIns) {
  RegisterBuiltInResources();
  const std::string ours =
      "effect 1\nprogram F\nvoid main() { o_color = vec4(1.0); }\nend\n"
      "technique FromModule\n pass P\n  fragment F\n end\nend\n";
  const std::string stored =
      "effect 1\nprogram F\nvoid main() { o_color = vec4(1.0); }\nend\n"
      "technique FromCopy\n pass P\n  fragment F\n end\nend\n";
  pw::PeModuleResource readable;
  readable.typeId = 10;
  readable.id = 202;
  readable.data.assign(ours.begin(), ours.end());
  pw::PeModuleResource refused = readable;
  refused.data = {0x01, 0x09, 0xFF, 0xFE, 'f', 'x'};
  pw::PeModuleResource uncopied = readable;
  uncopied.id = 203;
  ModuleBeside good("fx_good_res.dll", {readable, uncopied}, false);
  ModuleBeside binary("fx_binary_res.dll", {refused}, true);

  pw::DocResRecord record;
  for (const char16_t* name : {u"fx_good_res.dll", u"fx_binary_res.dll"})
    record.moduleImages.push_back({name, 202, {{202, name, u"", {stored.begin(), stored.end()}}}});
  UseDocument(MakeDocument(record));

  ID3DXEffect* fromModule = nullptr;
  doc_->GetEffect(&fromModule, u"AnyClass", DS_HLSLEffectFile(u"fx_good_res.dll", 202));
  ASSERT_NE(fromModule, nullptr);
  EXPECT_NE(fromModule->GetTechniqueByName("FromModule"), nullptr);
  fromModule->Release();

  ID3DXEffect* withoutCopy = nullptr;
  doc_->GetEffect(&withoutCopy, u"AnyClass", DS_HLSLEffectFile(u"fx_good_res.dll", 203));
  ASSERT_NE(withoutCopy, nullptr) << "a module effect the project stores no copy of";
  EXPECT_NE(withoutCopy->GetTechniqueByName("FromModule"), nullptr);
  withoutCopy->Release();

  ID3DXEffect* afterRefusal = nullptr;
  doc_->GetEffect(&afterRefusal, u"AnyClass", DS_HLSLEffectFile(u"fx_binary_res.dll", 202));
  ASSERT_NE(afterRefusal, nullptr);
  EXPECT_NE(afterRefusal->GetTechniqueByName("FromCopy"), nullptr) << "refused module bytes: the stored copy";
  afterRefusal->Release();

  ID3DXEffect* direct = nullptr;
  doc_->GetEffect(&direct, DS_HLSLEffectFile(u"fx_good_res.dll", 202));
  ASSERT_NE(direct, nullptr);
  EXPECT_NE(direct->GetTechniqueByName("FromModule"), nullptr);
  direct->Release();
}

TEST_F(ModuleFilePixels, ModuleMeshesBeforeStoredCopies) {
  auto xMesh = [](int faces) {
    std::string x = "xof 0303txt 0032\nMesh {\n 4;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;,\n 1.0;1.0;0.0;;\n";
    x += faces == 1 ? " 1;\n 3;0,1,2;;\n}\n" : " 2;\n 3;0,1,2;,\n 3;2,1,3;;\n}\n";
    return std::vector<uint8_t>(x.begin(), x.end());
  };
  pw::PeModuleResource mesh;
  mesh.typeName = u"DDS";
  mesh.id = 70;
  mesh.data = xMesh(2);
  ModuleBeside module("mesh_res.dll", {mesh}, false);
  pw::DocResRecord record;
  record.moduleImages.push_back({u"mesh_res.dll", 70, {{70, u"mesh_res.dll", u"", xMesh(1)}}});
  UseDocument(MakeDocument(record));

  MeshBuffers viaLink;
  doc_->GetMesh(&viaLink, DS_MeshFile(u"mesh_res.dll", 70));
  EXPECT_EQ(viaLink.faceCount, 2u) << "the module's mesh, not the stored one";

  TextureCache cache;
  EmbeddedFile entry;
  entry.moduleName = u"mesh_res.dll";
  entry.resourceId = 70;
  const std::vector<uint8_t> copy = xMesh(1);
  std::memcpy(entry.Allocate(static_cast<uint32_t>(copy.size())), copy.data(), copy.size());
  MeshBuffers viaEntry;
  cache.GetMesh(&viaEntry, entry, 32);
  EXPECT_EQ(viaEntry.faceCount, 2u);
}

}  // namespace
}  // namespace render_test
