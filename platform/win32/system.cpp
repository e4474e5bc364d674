// Command line, files, time and resources of the Win32 stand-in.
#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/pe_resources.h"
#include "platform/win32/windows.h"

namespace {

std::u16string& CommandLine() {
  static std::u16string line;
  return line;
}

// A module is a resource table; the executable is one of them. A module
// file read from disk keeps its bytes and the table made from them.
struct Module {
  std::u16string name;
  const ResourceTable* table = nullptr;
  std::map<UINT, std::u16string> strings;
  bool fromFile = false;
  std::vector<uint8_t> bytes;
  std::vector<PeResource> resources;
  std::vector<ResourceEntry> entries;
  ResourceTable fileTable{};
};

struct Modules {
  std::mutex lock;
  Module executable;
  std::vector<std::unique_ptr<Module>> builtIn;
  std::vector<std::unique_ptr<Module>> files;
  // Module files by the path they were read from (null: refused), and the
  // outcome of each search by the name asked for (null: none usable), so a
  // file is read once and a missing one is not searched for every frame.
  std::map<std::string, Module*> byPath;
  std::map<std::u16string, Module*> searched;
};

Modules& AllModules() {
  static Modules m;
  return m;
}

HMODULE Handle(Module* m) { return reinterpret_cast<HMODULE>(m); }
Module* FromHandle(HMODULE h) {
  Modules& all = AllModules();
  if (h == nullptr) return &all.executable;
  Module* m = reinterpret_cast<Module*>(h);
  if (m == &all.executable) return m;
  std::lock_guard<std::mutex> g(all.lock);
  for (auto& b : all.builtIn)
    if (b.get() == m) return m;
  for (auto& f : all.files)
    if (f.get() == m) return m;
  return nullptr;
}

bool SameNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (PeUpper(a[i]) != PeUpper(b[i])) return false;
  return true;
}

std::u16string FileNamePart(const std::u16string& path) {
  size_t cut = path.find_last_of(u"\\/");
  return cut == std::u16string::npos ? path : path.substr(cut + 1);
}

std::filesystem::path ToPath(LPCWSTR p) { return std::filesystem::path(Win32_ToUtf8(p)); }

}  // namespace

void Win32_SetCommandLine(int argc, char** argv) {
  std::u16string line;
  for (int i = 0; i < argc; ++i) {
    if (i) line += u' ';
    std::u16string arg = Win32_FromUtf8(argv[i] ? argv[i] : "");
    bool quote = arg.empty() || arg.find_first_of(u" \t\"") != std::u16string::npos;
    if (!quote) {
      line += arg;
      continue;
    }
    // Quote the way CommandLineToArgvW undoes it: backslashes double only
    // before a quote.
    line += u'"';
    size_t slashes = 0;
    for (char16_t c : arg) {
      if (c == u'\\') {
        ++slashes;
      } else if (c == u'"') {
        line.append(slashes * 2 + 1, u'\\');
        line += c;
        slashes = 0;
        continue;
      } else {
        slashes = 0;
      }
      line += c;
    }
    line.append(slashes, u'\\');
    line += u'"';
  }
  CommandLine() = line;
}

LPWSTR GetCommandLineW() { return CommandLine().data(); }

LPWSTR* CommandLineToArgvW(LPCWSTR cmdLine, int* argc) {
  std::vector<std::u16string> args;
  std::u16string text = cmdLine ? cmdLine : u"";
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    if (i >= text.size()) break;
    std::u16string arg;
    bool inQuotes = false;
    while (i < text.size()) {
      char16_t c = text[i];
      if (!inQuotes && (c == u' ' || c == u'\t')) break;
      if (c == u'\\') {
        size_t n = 0;
        while (i < text.size() && text[i] == u'\\') {
          ++n;
          ++i;
        }
        if (i < text.size() && text[i] == u'"') {
          arg.append(n / 2, u'\\');
          if (n % 2) {
            arg += u'"';
            ++i;
          }
        } else {
          arg.append(n, u'\\');
        }
        continue;
      }
      if (c == u'"') {
        inQuotes = !inQuotes;
        ++i;
        continue;
      }
      arg += c;
      ++i;
    }
    args.push_back(arg);
  }
  // One block, freed with one LocalFree: the pointer array, then the strings.
  size_t bytes = (args.size() + 1) * sizeof(LPWSTR);
  for (auto& a : args) bytes += (a.size() + 1) * sizeof(char16_t);
  char* block = new char[bytes];
  LPWSTR* table = reinterpret_cast<LPWSTR*>(block);
  char16_t* text16 = reinterpret_cast<char16_t*>(block + (args.size() + 1) * sizeof(LPWSTR));
  for (size_t k = 0; k < args.size(); ++k) {
    table[k] = text16;
    std::memcpy(text16, args[k].c_str(), (args[k].size() + 1) * sizeof(char16_t));
    text16 += args[k].size() + 1;
  }
  table[args.size()] = nullptr;
  if (argc) *argc = static_cast<int>(args.size());
  return table;
}

HANDLE LocalFree(HANDLE mem) {
  delete[] reinterpret_cast<char*>(mem);
  return nullptr;
}

BOOL PathFileExistsW(LPCWSTR path) {
  if (!path || !*path) return FALSE;
  std::error_code ec;
  return std::filesystem::exists(ToPath(path), ec) ? TRUE : FALSE;
}

DWORD GetTempPathW(DWORD capacity, LPWSTR buffer) {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  if (ec) dir = "/tmp";
  std::u16string text = Win32_FromUtf8(dir.string());
  if (text.empty() || text.back() != u'/') text += u'/';
  if (text.size() + 1 > capacity || !buffer) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  return static_cast<DWORD>(text.size());
}

BOOL DeleteFileW(LPCWSTR path) {
  if (!path) return FALSE;
  std::error_code ec;
  return std::filesystem::remove(ToPath(path), ec) ? TRUE : FALSE;
}

void Sleep(DWORD ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

DWORD GetTickCount() {
  static const auto start = std::chrono::steady_clock::now();
  return static_cast<DWORD>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

// ---- resources

void Win32_SetExecutableResources(const ResourceTable* table, const StringResource* strings, size_t stringCount) {
  Modules& all = AllModules();
  std::lock_guard<std::mutex> g(all.lock);
  all.executable.table = table;
  all.executable.strings.clear();
  for (size_t i = 0; i < stringCount; ++i) all.executable.strings[strings[i].id] = strings[i].text;
}

void Win32_RegisterBuiltInModule(const char16_t* name, const ResourceTable* table) {
  Modules& all = AllModules();
  std::lock_guard<std::mutex> g(all.lock);
  for (auto& m : all.builtIn) {
    if (SameNoCase(m->name, name)) {
      m->table = table;
      return;
    }
  }
  auto m = std::make_unique<Module>();
  m->name = name;
  m->table = table;
  all.builtIn.push_back(std::move(m));
}

HINSTANCE GetModuleHandleW(LPCWSTR name) {
  if (name == nullptr) return Handle(&AllModules().executable);
  return LoadLibraryExW(name, nullptr, 0);
}

namespace {

constexpr DWORD kDataFileFlags = 0x2 | 0x20 | 0x40;  // as data file, as image resource, exclusive
// Far beyond any resource module; larger files are not read into memory.
constexpr uintmax_t kMaxModuleFile = 1u << 30;

std::filesystem::path ExecutableFolder() {
  static const std::filesystem::path folder = [] {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
  }();
  return folder;
}

// The file of that name in the folder, its name compared without case.
bool FindNoCase(const std::filesystem::path& folder, const std::u16string& file, std::filesystem::path* found) {
  std::error_code ec;
  std::filesystem::path exact = folder / Win32_ToUtf8(file);
  if (std::filesystem::is_regular_file(exact, ec)) {
    *found = exact;
    return true;
  }
  std::filesystem::directory_iterator it(folder.empty() ? std::filesystem::path(".") : folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    if (!SameNoCase(Win32_FromUtf8(it->path().filename().string()), file)) continue;
    std::error_code fileEc;
    if (it->is_regular_file(fileEc)) {
      *found = it->path();
      return true;
    }
  }
  return false;
}

// Where a module name leads: a name with a folder is taken as it stands;
// a bare name is looked for beside the executable, then in the current folder.
bool SearchModuleFile(const std::u16string& name, std::filesystem::path* found) {
  std::u16string path = name;
  for (char16_t& c : path)
    if (c == u'\\') c = u'/';
  const size_t cut = path.find_last_of(u'/');
  if (cut != std::u16string::npos) {
    const std::filesystem::path folder(cut == 0 ? std::string("/") : Win32_ToUtf8(path.substr(0, cut)));
    return FindNoCase(folder, path.substr(cut + 1), found);
  }
  const std::filesystem::path exeFolder = ExecutableFolder();
  if (!exeFolder.empty() && FindNoCase(exeFolder, path, found)) return true;
  std::error_code ec;
  const std::filesystem::path current = std::filesystem::current_path(ec);
  return !ec && FindNoCase(current, path, found);
}

// The module file read and its resource directory taken apart; null (with
// one line on stderr) when it cannot be read or is damaged.
std::unique_ptr<Module> ReadModuleFile(const std::filesystem::path& path, const std::u16string& name) {
  auto m = std::make_unique<Module>();
  std::string why;
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxModuleFile) {
    why = ec ? "cannot be read" : "too large";
  } else {
    m->bytes.resize(static_cast<size_t>(size));
    std::ifstream in(path, std::ios::binary);
    if (!in || !in.read(reinterpret_cast<char*>(m->bytes.data()), static_cast<std::streamsize>(size)))
      why = "cannot be read";
    else if (!ReadPeResources(m->bytes.data(), m->bytes.size(), &m->resources, &why) && why.empty())
      why = "damaged";
  }
  if (!why.empty()) {
    std::cerr << "Resource module " << path.string() << " not used: " << why << "\n";
    return nullptr;
  }
  m->name = name;
  m->fromFile = true;
  m->entries.reserve(m->resources.size());
  for (const PeResource& r : m->resources) {
    ResourceEntry e{};
    e.type_name = r.type.isName ? r.type.name.c_str() : nullptr;
    e.type_id = r.type.isName ? 0 : r.type.id;
    e.name = r.name.isName ? r.name.name.c_str() : nullptr;
    e.id = r.name.isName ? 0 : r.name.id;
    e.data = m->bytes.data() + r.offset;
    e.size = r.size;
    m->entries.push_back(e);
  }
  m->fileTable = ResourceTable{m->entries.data(), m->entries.size()};
  m->table = &m->fileTable;
  return m;
}

Module* FileModule(Modules& all, const std::u16string& name) {
  auto known = all.searched.find(name);
  if (known != all.searched.end()) return known->second;
  Module* result = nullptr;
  std::filesystem::path found;
  if (SearchModuleFile(name, &found)) {
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(found, ec);
    const std::string key = ec ? found.string() : canonical.string();
    auto read = all.byPath.find(key);
    if (read != all.byPath.end()) {
      result = read->second;
    } else {
      std::unique_ptr<Module> m = ReadModuleFile(found, FileNamePart(name));
      result = m.get();
      if (m) all.files.push_back(std::move(m));
      all.byPath[key] = result;
    }
  }
  all.searched[name] = result;
  return result;
}

// An integer resource, "#123" for the same, or a name compared without case.
bool SameResource(const char16_t* entryName, uint16_t entryId, LPCWSTR want) {
  if (IS_INTRESOURCE(want)) return !entryName && entryId == static_cast<uint16_t>(reinterpret_cast<uintptr_t>(want));
  std::u16string_view text(want);
  if (!text.empty() && text[0] == u'#') {
    uint32_t id = 0;
    if (text.size() < 2 || text.size() > 6) return false;
    for (char16_t c : text.substr(1)) {
      if (c < u'0' || c > u'9') return false;
      id = id * 10 + static_cast<uint32_t>(c - u'0');
    }
    return id <= 0xFFFF && !entryName && entryId == id;
  }
  return entryName && SameNoCase(entryName, text);
}

}  // namespace

// With the data-file flags a module file on disk is read (never run) and wins
// over a built-in module of the same name; otherwise only the built-in ones.
HMODULE LoadLibraryExW(LPCWSTR name, HANDLE, DWORD flags) {
  if (!name || !*name) return nullptr;
  std::u16string given = name;
  Modules& all = AllModules();
  std::lock_guard<std::mutex> g(all.lock);
  if (flags & kDataFileFlags) {
    if (Module* m = FileModule(all, given)) return Handle(m);
  }
  std::u16string file = FileNamePart(given);
  for (auto& m : all.builtIn)
    if (SameNoCase(m->name, file)) return Handle(m.get());
  return nullptr;
}

HMODULE LoadLibraryW(LPCWSTR name) { return LoadLibraryExW(name, nullptr, 0); }

BOOL FreeLibrary(HMODULE module) { return module ? TRUE : FALSE; }

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  Module* m = FromHandle(module);
  if (!m || !m->table || !name || !type) return nullptr;
  for (size_t i = 0; i < m->table->count; ++i) {
    const ResourceEntry& e = m->table->entries[i];
    if (!e.data || !SameResource(e.name, e.id, name) || !SameResource(e.type_name, e.type_id, type)) continue;
    return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&e));
  }
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC res) { return reinterpret_cast<HGLOBAL>(res); }

LPVOID LockResource(HGLOBAL data) {
  if (!data) return nullptr;
  return const_cast<uint8_t*>(reinterpret_cast<ResourceEntry*>(data)->data);
}

DWORD SizeofResource(HMODULE, HRSRC res) { return res ? reinterpret_cast<ResourceEntry*>(res)->size : 0; }

bool Win32_ModuleIsFile(HMODULE module) {
  if (!module) return false;
  Module* m = FromHandle(module);
  return m && m->fromFile;
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int capacity) {
  if (!buffer || capacity <= 0) return 0;
  Module* m = FromHandle(instance);
  if (!m) return 0;
  auto it = m->strings.find(id);
  if (it == m->strings.end()) return 0;
  size_t n = std::min<size_t>(it->second.size(), static_cast<size_t>(capacity - 1));
  std::memcpy(buffer, it->second.data(), n * sizeof(char16_t));
  buffer[n] = 0;
  return static_cast<int>(n);
}
