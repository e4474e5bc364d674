#include "core/reader_registry.h"

#include "core/strings.h"

zvi_string ClassNameFromUtf8(std::string_view name) { return Utf8ToWide(std::string(name)); }

ZVI_PtclSys_OriginUI* CreateOriginUIByName(std::u16string_view) { return nullptr; }
