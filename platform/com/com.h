#pragma once
// COM-shaped reference counting and GUIDs.
#include <atomic>
#include <cstring>

#include "platform/win32/win_types.h"

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const GUID&;
using REFCLSID = const GUID&;
using REFGUID = const GUID&;
inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
inline bool IsEqualGUID(const GUID& a, const GUID& b) { return a == b; }
constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// Every COM-shaped interface derives from IUnknown.
struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
 protected:
  virtual ~IUnknown() = default;
};

// A random (version 4) GUID.
HRESULT CoCreateGuid(GUID* out);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case; returns the characters
// written including the terminator, 0 when the buffer is too small.
int StringFromGUID2(REFGUID guid, LPWSTR buffer, int capacity);
// Parses the braced form; a string that does not parse leaves *out null and fails.
HRESULT CLSIDFromString(LPCWSTR text, CLSID* out);

HRESULT CoInitialize(void* reserved);
void CoUninitialize();
constexpr DWORD CLSCTX_INPROC_SERVER = 1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 2;
// Creates the few in-process classes the player uses (the music graph);
// the audio layer registers its factory at start-up.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out);
using ComClassFactory = HRESULT (*)(REFIID iid, void** out);
void CoRegisterClass(REFCLSID clsid, ComClassFactory factory);
