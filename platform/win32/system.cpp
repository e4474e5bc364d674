// Command line, files, time and resources of the Win32 stand-in.
#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/windows.h"

namespace {

std::u16string& CommandLine() {
  static std::u16string line;
  return line;
}

// A module is a resource table; the executable is one of them.
struct Module {
  std::u16string name;
  const ResourceTable* table = nullptr;
  std::map<UINT, std::u16string> strings;
};

struct Modules {
  std::mutex lock;
  Module executable;
  std::vector<std::unique_ptr<Module>> builtIn;
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
  for (auto& b : all.builtIn)
    if (b.get() == m) return m;
  return nullptr;
}

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameNoCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
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

// Only the built-in modules can be "loaded"; nothing is ever executed.
HMODULE LoadLibraryExW(LPCWSTR name, HANDLE, DWORD) {
  if (!name) return nullptr;
  std::u16string file = FileNamePart(name);
  Modules& all = AllModules();
  std::lock_guard<std::mutex> g(all.lock);
  for (auto& m : all.builtIn)
    if (SameNoCase(m->name, file)) return Handle(m.get());
  return nullptr;
}

HMODULE LoadLibraryW(LPCWSTR name) { return LoadLibraryExW(name, nullptr, 0); }

BOOL FreeLibrary(HMODULE module) { return module ? TRUE : FALSE; }

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  Module* m = FromHandle(module);
  if (!m || !m->table || !name || !type || !IS_INTRESOURCE(name)) return nullptr;
  auto id = static_cast<uint16_t>(reinterpret_cast<uintptr_t>(name));
  bool typeIsId = IS_INTRESOURCE(type);
  for (size_t i = 0; i < m->table->count; ++i) {
    const ResourceEntry& e = m->table->entries[i];
    if (e.id != id || !e.data) continue;
    if (typeIsId) {
      if (!e.type_name && e.type_id == static_cast<uint16_t>(reinterpret_cast<uintptr_t>(type)))
        return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&e));
    } else if (e.type_name && SameNoCase(e.type_name, type)) {
      return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&e));
    }
  }
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC res) { return reinterpret_cast<HGLOBAL>(res); }

LPVOID LockResource(HGLOBAL data) {
  if (!data) return nullptr;
  return const_cast<uint8_t*>(reinterpret_cast<ResourceEntry*>(data)->data);
}

DWORD SizeofResource(HMODULE, HRSRC res) { return res ? reinterpret_cast<ResourceEntry*>(res)->size : 0; }

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
