#pragma once
// Conversions between narrow and wide text, printf-style formatting into
// wide strings, and path extensions.
#include <cstdarg>
#include <string>

#include "core/zvi_string.h"

// UTF-8 to UTF-16; code points above U+FFFF become surrogate pairs. Bytes that
// are not valid UTF-8 raise std::range_error("bad conversion"). A null text
// gives an empty string.
zvi_string Utf8ToWide(const char* text);
zvi_string Utf8ToWide(const std::string& text);

// printf-style formatting on char16_t, with the wide conventions: %s and %ls
// take a wide (char16_t) string, %hs and %S a narrow one, %c a wide code unit,
// %hc a narrow character. Supports %d %i %u %o %x %X %c %s %f %F %e %E %g %G
// %a %A %p %% with the flags - + space # 0, width, precision (also as *) and
// the length modifiers hh h l ll z j t L I64. A null format gives an empty string;
// an unknown conversion is copied through as written.
zvi_string FormatWide(const char16_t* format, ...);
zvi_string FormatWideV(const char16_t* format, va_list args);

// The path from its last "." (searching backwards through separators too) to
// the end, with A-Z lowered; empty when there is none.
zvi_string LowerCaseExtension(const zvi_string& path);
