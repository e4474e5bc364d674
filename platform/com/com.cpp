#include "platform/com/com.h"

#include <cstdio>
#include <mutex>
#include <random>
#include <vector>

namespace {
struct Factory {
  CLSID clsid;
  ComClassFactory make;
};
std::mutex& FactoryLock() {
  static std::mutex m;
  return m;
}
std::vector<Factory>& Factories() {
  static std::vector<Factory> f;
  return f;
}
int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}
}  // namespace

HRESULT CoCreateGuid(GUID* out) {
  if (!out) return E_POINTER;
  static std::mutex m;
  static std::mt19937_64 engine{std::random_device{}()};
  std::lock_guard<std::mutex> g(m);
  uint64_t a = engine(), b = engine();
  out->Data1 = static_cast<uint32_t>(a);
  out->Data2 = static_cast<uint16_t>(a >> 32);
  out->Data3 = static_cast<uint16_t>(((a >> 48) & 0x0FFF) | 0x4000);
  for (int i = 0; i < 8; ++i) out->Data4[i] = static_cast<uint8_t>(b >> (8 * i));
  out->Data4[0] = static_cast<uint8_t>((out->Data4[0] & 0x3F) | 0x80);
  return S_OK;
}

int StringFromGUID2(REFGUID g, LPWSTR buffer, int capacity) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  const int n = 39;  // 38 characters and the terminator
  if (!buffer || capacity < n) return 0;
  for (int i = 0; i < n; ++i) buffer[i] = static_cast<char16_t>(static_cast<unsigned char>(text[i]));
  return n;
}

HRESULT CLSIDFromString(LPCWSTR text, CLSID* out) {
  if (!out) return E_POINTER;
  *out = GUID_NULL;
  if (!text) return E_INVALIDARG;
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  static const char pattern[] = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
  uint8_t bytes[16];
  int nibble = 0;
  for (int i = 0; i < 38; ++i) {
    char16_t c = text[i];
    if (c == 0) return E_INVALIDARG;
    if (pattern[i] == 'x') {
      int v = HexValue(c);
      if (v < 0) return E_INVALIDARG;
      if (nibble % 2 == 0) bytes[nibble / 2] = static_cast<uint8_t>(v << 4);
      else bytes[nibble / 2] |= static_cast<uint8_t>(v);
      ++nibble;
    } else if (c != static_cast<char16_t>(pattern[i])) {
      return E_INVALIDARG;
    }
  }
  if (text[38] != 0) return E_INVALIDARG;
  GUID g;
  g.Data1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
  g.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  g.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
  *out = g;
  return S_OK;
}

HRESULT CoInitialize(void*) { return S_OK; }
void CoUninitialize() {}

void CoRegisterClass(REFCLSID clsid, ComClassFactory factory) {
  std::lock_guard<std::mutex> g(FactoryLock());
  for (auto& f : Factories()) {
    if (f.clsid == clsid) {
      f.make = factory;
      return;
    }
  }
  Factories().push_back({clsid, factory});
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown*, DWORD, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComClassFactory make = nullptr;
  {
    std::lock_guard<std::mutex> g(FactoryLock());
    for (auto& f : Factories())
      if (f.clsid == clsid) make = f.make;
  }
  if (!make) return static_cast<HRESULT>(0x80040154u);  // REGDB_E_CLASSNOTREG
  return make(iid, out);
}
