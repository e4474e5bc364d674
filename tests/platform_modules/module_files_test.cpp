// Resource modules read from disk: the resource directory of 32- and 64-bit
// module files, where a module name is looked for, and damaged files refused.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32/pe_resources.h"
#include "platform/win32/windows.h"
#include "tools/writer/pe_module_writer.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<pw::PeModuleResource> SampleResources() {
  std::vector<pw::PeModuleResource> r(5);
  r[0].typeName = u"DDS";
  r[0].id = 7;
  r[0].data = Bytes("picture seven");
  r[1].typeName = u"DDS";
  r[1].name = u"Splash";
  r[1].data = Bytes("named picture");
  r[2].typeId = 10;  // RCDATA
  r[2].id = 7;
  r[2].data = Bytes("effect bytes");
  r[3].typeName = u"Mesh";
  r[3].id = 300;
  r[4].typeId = 10;
  r[4].id = 65535;
  r[4].data = Bytes("last id");
  return r;
}

fs::path ExecutableFolder() { return fs::read_symlink("/proc/self/exe").parent_path(); }

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A file that is removed when the test ends.
struct TempFile {
  fs::path path;
  TempFile(fs::path p, const std::vector<uint8_t>& bytes) : path(std::move(p)) { WriteFile(path, bytes); }
  ~TempFile() {
    std::error_code ec;
    fs::remove(path, ec);
  }
};

std::string Resource(HMODULE module, LPCWSTR name, LPCWSTR type) {
  HRSRC r = FindResourceW(module, name, type);
  if (!r) return "<none>";
  HGLOBAL g = LoadResource(module, r);
  const char* bytes = static_cast<const char*>(LockResource(g));
  DWORD size = SizeofResource(module, r);
  return bytes ? std::string(bytes, size) : "<unlocked>";
}

TEST(PeResources, ReadsTypesNamesAndIdsOf32And64BitModules) {
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "PE32+" : "PE32");
    pw::PeModuleFile file = pw::PeModule(SampleResources(), wide);
    std::vector<PeResource> found;
    std::string error;
    ASSERT_TRUE(ReadPeResources(file.bytes.data(), file.bytes.size(), &found, &error)) << error;
    ASSERT_EQ(found.size(), 5u);
    auto text = [&](const PeResource& r) {
      return std::string(reinterpret_cast<const char*>(file.bytes.data()) + r.offset, r.size);
    };
    int seen = 0;
    for (const PeResource& r : found) {
      EXPECT_EQ(r.language, 1033);
      if (r.type.isName && r.type.name == u"DDS" && !r.name.isName && r.name.id == 7) {
        EXPECT_EQ(text(r), "picture seven");
        ++seen;
      } else if (r.type.isName && r.name.isName) {
        EXPECT_EQ(r.name.name, u"SPLASH") << "names are kept upper-cased";
        EXPECT_EQ(text(r), "named picture");
        ++seen;
      } else if (!r.type.isName && r.type.id == 10 && r.name.id == 7) {
        EXPECT_EQ(text(r), "effect bytes");
        ++seen;
      } else if (r.type.isName && r.type.name == u"MESH") {
        EXPECT_EQ(r.size, 0u);
        ++seen;
      } else if (!r.type.isName && r.name.id == 65535) {
        EXPECT_EQ(text(r), "last id");
        ++seen;
      }
    }
    EXPECT_EQ(seen, 5);
  }
}

TEST(PeResources, ModuleWithoutResourceDirectoryHasNone) {
  pw::PeModuleFile file = pw::PeModule({});
  // No resource directory at all: the data directory's address is 0.
  const uint32_t dir = file.optionalHeader + 96 + 16;
  std::memset(file.bytes.data() + dir, 0, 8);
  std::vector<PeResource> found(3);
  std::string error;
  EXPECT_TRUE(ReadPeResources(file.bytes.data(), file.bytes.size(), &found, &error)) << error;
  EXPECT_TRUE(found.empty());
}

void Put32(std::vector<uint8_t>& b, uint32_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(std::vector<uint8_t>& b, uint32_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Each case damages one part of a good module; each must be refused with a
// reason, never read past the bytes or hang.
TEST(PeResources, DamagedModulesAreRefused) {
  struct Case {
    const char* what;
    void (*damage)(pw::PeModuleFile& f);
  };
  const Case cases[] = {
      {"empty file", [](pw::PeModuleFile& f) { f.bytes.clear(); }},
      {"no MZ", [](pw::PeModuleFile& f) { f.bytes[0] = 'X'; }},
      {"header offset past the end", [](pw::PeModuleFile& f) { Put32(f.bytes, 0x3C, 0xFFFFFFF0u); }},
      {"no PE signature", [](pw::PeModuleFile& f) { f.bytes[f.peOffset + 2] = 1; }},
      {"unknown optional header", [](pw::PeModuleFile& f) { Put16(f.bytes, f.optionalHeader, 0x107); }},
      {"optional header past the end", [](pw::PeModuleFile& f) { Put16(f.bytes, f.peOffset + 20, 0xFFFF); }},
      {"directories past the optional header", [](pw::PeModuleFile& f) { Put16(f.bytes, f.peOffset + 20, 100); }},
      {"section table past the end", [](pw::PeModuleFile& f) { Put16(f.bytes, f.peOffset + 6, 0xFFFF); }},
      {"section data past the end", [](pw::PeModuleFile& f) { Put32(f.bytes, f.sectionTable + 20, 0x7FFFFFF0u); }},
      {"resource address outside the sections",
       [](pw::PeModuleFile& f) { Put32(f.bytes, f.optionalHeader + 96 + 16, 0x900000u); }},
      {"huge entry counts", [](pw::PeModuleFile& f) {
         Put16(f.bytes, f.resources + 12, 0xFFFF);
         Put16(f.bytes, f.resources + 14, 0xFFFF);
       }},
      {"name directory loops to the root",
       [](pw::PeModuleFile& f) { Put32(f.bytes, f.firstTypeDir + 16 + 4, 0x80000000u); }},
      {"directory loops to itself",
       [](pw::PeModuleFile& f) { Put32(f.bytes, f.resources + 16 + 4, 0x80000000u); }},
      {"subdirectory past the section",
       [](pw::PeModuleFile& f) { Put32(f.bytes, f.resources + 16 + 4, 0x80000000u | 0x7FFFFF00u); }},
      {"data entry at the type level",
       [](pw::PeModuleFile& f) { Put32(f.bytes, f.resources + 16 + 4, f.firstDataEntry - f.resources); }},
      {"directory at the language level",
       [](pw::PeModuleFile& f) { Put32(f.bytes, f.firstNameDir + 16 + 4, 0x80000000u | 0x100); }},
      {"name string past the section",
       [](pw::PeModuleFile& f) { Put32(f.bytes, f.resources + 16, 0x80000000u | 0x7FFFFFF0u); }},
      {"name longer than the section", [](pw::PeModuleFile& f) { Put16(f.bytes, f.firstNameString, 0xFFFF); }},
      {"data address past the file", [](pw::PeModuleFile& f) { Put32(f.bytes, f.firstDataEntry, 0xFFFFFFF0u); }},
      {"data size past the section", [](pw::PeModuleFile& f) { Put32(f.bytes, f.firstDataEntry + 4, 0x10000000u); }},
      {"cut inside the section table", [](pw::PeModuleFile& f) { f.bytes.resize(f.sectionTable + 20); }},
      {"cut inside the resource directory", [](pw::PeModuleFile& f) { f.bytes.resize(f.resources + 20); }},
  };
  for (bool wide : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (wide ? " (PE32+)" : " (PE32)"));
      pw::PeModuleFile file = pw::PeModule(SampleResources(), wide);
      // The 64-bit header keeps its data directories 16 bytes further on.
      if (wide && std::string(c.what) == "resource address outside the sections") {
        Put32(file.bytes, file.optionalHeader + 112 + 16, 0x900000u);
      } else {
        c.damage(file);
      }
      std::vector<PeResource> found;
      std::string error;
      EXPECT_FALSE(ReadPeResources(file.bytes.data(), file.bytes.size(), &found, &error));
      EXPECT_FALSE(error.empty());
      EXPECT_TRUE(found.empty());
    }
  }
}

// Every cut of a good module is read or refused within its bytes (the
// sanitizer build checks the reads).
TEST(PeResources, EveryTruncationIsReadOrRefused) {
  pw::PeModuleFile file = pw::PeModule(SampleResources(), true);
  size_t refused = 0;
  for (size_t n = 0; n < file.bytes.size(); ++n) {
    std::vector<uint8_t> cut(file.bytes.begin(), file.bytes.begin() + static_cast<std::ptrdiff_t>(n));
    std::vector<PeResource> found;
    std::string error;
    if (!ReadPeResources(cut.data(), cut.size(), &found, &error)) ++refused;
  }
  EXPECT_GE(refused, static_cast<size_t>(file.resources) + 16);
}

TEST(ModuleFiles, BesideTheExecutableFoundWithoutRegardToCase) {
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "PE32+" : "PE32");
    const std::string stem = wide ? "Beside_Wide" : "Beside_Narrow";
    TempFile module(ExecutableFolder() / (stem + "_Res.DLL"), pw::PeModule(SampleResources(), wide).bytes);
    const std::u16string asked = wide ? u"beside_wide_res.dll" : u"BESIDE_NARROW_res.dll";
    HMODULE m = LoadLibraryExW(asked.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(Win32_ModuleIsFile(m));
    EXPECT_EQ(LoadLibraryExW(asked.c_str(), nullptr, 0x40), m) << "read once, shared";
    EXPECT_EQ(LoadLibraryW(asked.c_str()), nullptr) << "a module file is never loaded to run";
    EXPECT_EQ(Resource(m, MAKEINTRESOURCEW(7), u"DDS"), "picture seven");
    EXPECT_EQ(Resource(m, MAKEINTRESOURCEW(7), u"dds"), "picture seven");
    EXPECT_EQ(Resource(m, MAKEINTRESOURCEW(7), RT_RCDATA), "effect bytes");
    EXPECT_EQ(Resource(m, u"#7", u"DDS"), "picture seven");
    EXPECT_EQ(Resource(m, u"splash", u"DDS"), "named picture");
    EXPECT_EQ(Resource(m, u"SPLASH", u"Dds"), "named picture");
    EXPECT_EQ(Resource(m, MAKEINTRESOURCEW(65535), MAKEINTRESOURCEW(10)), "last id");
    EXPECT_EQ(Resource(m, MAKEINTRESOURCEW(300), u"MESH"), "");
    EXPECT_EQ(Resource(m, MAKEINTRESOURCEW(8), u"DDS"), "<none>");
    EXPECT_EQ(Resource(m, u"splash", RT_RCDATA), "<none>");
    EXPECT_EQ(Resource(m, MAKEINTRESOURCEW(7), MAKEINTRESOURCEW(3)), "<none>");
  }
}

TEST(ModuleFiles, CurrentFolderAndNamesWithAFolder) {
  const fs::path folder = fs::temp_directory_path() / ("module_search_" + std::to_string(getpid()));
  fs::create_directories(folder / "Sub");
  const fs::path before = fs::current_path();
  {
    TempFile here(folder / "Here_Res.dll", pw::PeModule(SampleResources()).bytes);
    TempFile deeper(folder / "Sub" / "deeper_res.dll", pw::PeModule(SampleResources(), true).bytes);
    fs::current_path(folder);
    HMODULE fromCurrent = LoadLibraryExW(u"here_res.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(fromCurrent, nullptr) << "a bare name is looked for in the current folder too";
    EXPECT_EQ(LoadLibraryExW(u"deeper_res.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr)
        << "subfolders are not searched";
    const std::u16string withFolder = Win32_FromUtf8(folder.string()) + u"\\Sub\\DEEPER_RES.dll";
    HMODULE deeperModule = LoadLibraryExW(withFolder.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(deeperModule, nullptr) << "a name with a folder is taken as it stands";
    EXPECT_EQ(Resource(deeperModule, MAKEINTRESOURCEW(7), RT_RCDATA), "effect bytes");
    EXPECT_EQ(LoadLibraryExW(u"Sub/deeper_res.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE), deeperModule)
        << "a relative folder starts at the current folder; the file is read once";
    fs::current_path(before);
  }
  fs::remove_all(folder);
}

TEST(ModuleFiles, FileOnDiskWinsOverTheBuiltInModule) {
  static const uint8_t packBytes[] = {'p', 'a', 'c', 'k'};
  static const ResourceEntry entries[] = {{u"DDS", 0, 7, packBytes, 4}};
  static const ResourceTable table = {entries, 1};
  Win32_RegisterBuiltInModule(u"wins_res.dll", &table);
  Win32_RegisterBuiltInModule(u"pack_only_res.dll", &table);
  TempFile module(ExecutableFolder() / "wins_res.dll", pw::PeModule(SampleResources()).bytes);
  HMODULE fromDisk = LoadLibraryExW(u"wins_res.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  EXPECT_EQ(Resource(fromDisk, MAKEINTRESOURCEW(7), u"DDS"), "picture seven");
  EXPECT_TRUE(Win32_ModuleIsFile(fromDisk));
  HMODULE pack = LoadLibraryExW(u"pack_only_res.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  EXPECT_EQ(Resource(pack, MAKEINTRESOURCEW(7), u"DDS"), "pack");
  EXPECT_FALSE(Win32_ModuleIsFile(pack));
  EXPECT_FALSE(Win32_ModuleIsFile(nullptr));
}

TEST(ModuleFiles, DamagedFileIsAbsentWithOneMessage) {
  static const uint8_t packBytes[] = {'p', 'a', 'c', 'k'};
  static const ResourceEntry entries[] = {{u"DDS", 0, 7, packBytes, 4}};
  static const ResourceTable table = {entries, 1};
  Win32_RegisterBuiltInModule(u"damaged_pack_res.dll", &table);
  pw::PeModuleFile bad = pw::PeModule(SampleResources());
  Put32(bad.bytes, bad.firstTypeDir + 16 + 4, 0x80000000u);  // a loop
  TempFile damaged(ExecutableFolder() / "damaged_res.dll", bad.bytes);
  TempFile shadowing(ExecutableFolder() / "damaged_pack_res.dll", bad.bytes);

  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadLibraryExW(u"damaged_res.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
  EXPECT_EQ(LoadLibraryExW(u"damaged_res.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("damaged_res.dll"), std::string::npos) << said;
  EXPECT_NE(said.find("loop"), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

  testing::internal::CaptureStderr();
  HMODULE pack = LoadLibraryExW(u"damaged_pack_res.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(Resource(pack, MAKEINTRESOURCEW(7), u"DDS"), "pack") << "a refused file leaves the built-in module";
}

}  // namespace
