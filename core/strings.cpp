#include "core/strings.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace {

[[noreturn]] void BadConversion() { throw std::range_error("bad conversion"); }

zvi_string DecodeUtf8(std::string_view s) {
  zvi_string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    uint8_t b = static_cast<uint8_t>(s[i]);
    uint32_t cp;
    size_t extra;
    uint32_t min;
    if (b < 0x80) {
      out.push_back(static_cast<char16_t>(b));
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F, extra = 1, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F, extra = 2, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      cp = b & 0x07, extra = 3, min = 0x10000;
    } else {
      BadConversion();
    }
    if (s.size() - i <= extra) BadConversion();
    for (size_t k = 1; k <= extra; ++k) {
      uint8_t c = static_cast<uint8_t>(s[i + k]);
      if ((c & 0xC0) != 0x80) BadConversion();
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) BadConversion();
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += extra + 1;
  }
  return out;
}

struct Spec {
  bool left = false, plus = false, space = false, alt = false, zero = false;
  int width = 0;
  int precision = -1;
};

void Pad(zvi_string& out, const zvi_string& body, const Spec& sp) {
  size_t w = sp.width > 0 ? static_cast<size_t>(sp.width) : 0;
  if (body.size() >= w) {
    out += body;
  } else if (sp.left) {
    out += body;
    out.append(w - body.size(), u' ');
  } else {
    out.append(w - body.size(), u' ');
    out += body;
  }
}

zvi_string Widen(const char* s, size_t n) {
  zvi_string r;
  r.reserve(n);
  for (size_t i = 0; i < n; ++i) r.push_back(static_cast<char16_t>(static_cast<unsigned char>(s[i])));
  return r;
}

// Integer conversions: digits, precision, sign/prefix and zero padding.
void FormatInteger(zvi_string& out, const Spec& sp, bool negative, uint64_t magnitude, unsigned base, bool upper,
                   bool is_signed, const char* prefix) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string d;
  if (!(magnitude == 0 && sp.precision == 0)) {
    do {
      d.insert(d.begin(), digits[magnitude % base]);
      magnitude /= base;
    } while (magnitude);
  }
  if (sp.precision > 0 && d.size() < static_cast<size_t>(sp.precision)) d.insert(0, sp.precision - d.size(), '0');
  if (base == 8 && sp.alt && (d.empty() || d[0] != '0')) d.insert(d.begin(), '0');
  std::string sign;
  if (is_signed) {
    if (negative) sign = "-";
    else if (sp.plus) sign = "+";
    else if (sp.space) sign = " ";
  }
  if (prefix) sign += prefix;
  if (sp.zero && !sp.left && sp.precision < 0) {
    size_t w = sp.width > 0 ? static_cast<size_t>(sp.width) : 0;
    if (sign.size() + d.size() < w) d.insert(0, w - sign.size() - d.size(), '0');
  }
  std::string body = sign + d;
  Pad(out, Widen(body.data(), body.size()), sp);
}

enum class Len { kNone, kHH, kH, kL, kLL, kZ, kJ, kT, kBigL };

}  // namespace

zvi_string Utf8ToWide(const char* text) {
  if (!text) return zvi_string();
  return DecodeUtf8(std::string_view(text));
}

zvi_string Utf8ToWide(const std::string& text) {
  // Like the C-string form, the text ends at its first NUL.
  return DecodeUtf8(std::string_view(text.c_str()));
}

zvi_string FormatWide(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  zvi_string r = FormatWideV(format, args);
  va_end(args);
  return r;
}

zvi_string FormatWideV(const char16_t* format, va_list ap) {
  zvi_string out;
  if (!format) return out;
  va_list args;
  va_copy(args, ap);
  const char16_t* p = format;
  while (*p) {
    if (*p != u'%') {
      out.push_back(*p++);
      continue;
    }
    const char16_t* start = p++;
    Spec sp;
    for (;; ++p) {
      if (*p == u'-') sp.left = true;
      else if (*p == u'+') sp.plus = true;
      else if (*p == u' ') sp.space = true;
      else if (*p == u'#') sp.alt = true;
      else if (*p == u'0') sp.zero = true;
      else break;
    }
    if (*p == u'*') {
      int w = va_arg(args, int);
      if (w < 0) {
        sp.left = true;
        w = w == INT32_MIN ? 0 : -w;
      }
      sp.width = w;
      ++p;
    } else {
      while (*p >= u'0' && *p <= u'9') {
        if (sp.width < 100000000) sp.width = sp.width * 10 + (*p - u'0');
        ++p;
      }
    }
    if (*p == u'.') {
      ++p;
      sp.precision = 0;
      if (*p == u'*') {
        int pr = va_arg(args, int);
        sp.precision = pr < 0 ? -1 : pr;
        ++p;
      } else {
        while (*p >= u'0' && *p <= u'9') {
          if (sp.precision < 100000000) sp.precision = sp.precision * 10 + (*p - u'0');
          ++p;
        }
      }
    }
    // Keep absurd widths from turning into huge allocations.
    if (sp.width > 65536) sp.width = 65536;
    if (sp.precision > 65536) sp.precision = 65536;
    Len len = Len::kNone;
    if (*p == u'h') {
      ++p;
      len = Len::kH;
      if (*p == u'h') ++p, len = Len::kHH;
    } else if (*p == u'l') {
      ++p;
      len = Len::kL;
      if (*p == u'l') ++p, len = Len::kLL;
    } else if (*p == u'I' && p[1] == u'6' && p[2] == u'4') {
      p += 3;
      len = Len::kLL;
    } else if (*p == u'z') {
      ++p, len = Len::kZ;
    } else if (*p == u'j') {
      ++p, len = Len::kJ;
    } else if (*p == u't') {
      ++p, len = Len::kT;
    } else if (*p == u'L') {
      ++p, len = Len::kBigL;
    }
    char16_t conv = *p;
    if (conv == 0) {
      out.append(start, p);
      break;
    }
    ++p;
    switch (conv) {
      case u'%':
        out.push_back(u'%');
        break;
      case u'd':
      case u'i': {
        int64_t v;
        switch (len) {
          case Len::kHH: v = static_cast<signed char>(va_arg(args, int)); break;
          case Len::kH: v = static_cast<short>(va_arg(args, int)); break;
          case Len::kL: v = va_arg(args, long); break;
          case Len::kLL: v = va_arg(args, long long); break;
          case Len::kZ: v = static_cast<int64_t>(va_arg(args, ptrdiff_t)); break;
          case Len::kJ: v = va_arg(args, intmax_t); break;
          case Len::kT: v = va_arg(args, ptrdiff_t); break;
          default: v = va_arg(args, int); break;
        }
        uint64_t mag = v < 0 ? (~static_cast<uint64_t>(v) + 1) : static_cast<uint64_t>(v);
        FormatInteger(out, sp, v < 0, mag, 10, false, true, nullptr);
        break;
      }
      case u'u':
      case u'x':
      case u'X':
      case u'o': {
        uint64_t v;
        switch (len) {
          case Len::kHH: v = static_cast<unsigned char>(va_arg(args, unsigned)); break;
          case Len::kH: v = static_cast<unsigned short>(va_arg(args, unsigned)); break;
          case Len::kL: v = va_arg(args, unsigned long); break;
          case Len::kLL: v = va_arg(args, unsigned long long); break;
          case Len::kZ: v = va_arg(args, size_t); break;
          case Len::kJ: v = va_arg(args, uintmax_t); break;
          case Len::kT: v = static_cast<uint64_t>(va_arg(args, ptrdiff_t)); break;
          default: v = va_arg(args, unsigned); break;
        }
        unsigned base = conv == u'u' ? 10 : conv == u'o' ? 8 : 16;
        const char* prefix = nullptr;
        if (base == 16 && sp.alt && v != 0) prefix = conv == u'X' ? "0X" : "0x";
        FormatInteger(out, sp, false, v, base, conv == u'X', false, prefix);
        break;
      }
      case u'p': {
        void* v = va_arg(args, void*);
        Spec ps = sp;
        ps.precision = static_cast<int>(sizeof(void*) * 2);
        FormatInteger(out, ps, false, reinterpret_cast<uintptr_t>(v), 16, true, false, nullptr);
        break;
      }
      case u'c':
      case u'C': {
        int v = va_arg(args, int);
        bool narrow = (conv == u'c' && len == Len::kH) || (conv == u'C' && len != Len::kL);
        char16_t ch = narrow ? static_cast<char16_t>(static_cast<unsigned char>(v)) : static_cast<char16_t>(v);
        Pad(out, zvi_string(1, ch), sp);
        break;
      }
      case u's':
      case u'S': {
        bool narrow = (conv == u's' && len == Len::kH) || (conv == u'S' && len != Len::kL);
        zvi_string body;
        if (narrow) {
          const char* s = va_arg(args, const char*);
          if (!s) s = "(null)";
          size_t n = 0;
          while (s[n] && (sp.precision < 0 || n < static_cast<size_t>(sp.precision))) ++n;
          body = Widen(s, n);
        } else {
          const char16_t* s = va_arg(args, const char16_t*);
          if (!s) s = u"(null)";
          size_t n = 0;
          while (s[n] && (sp.precision < 0 || n < static_cast<size_t>(sp.precision))) ++n;
          body.assign(s, n);
        }
        Pad(out, body, sp);
        break;
      }
      case u'f':
      case u'F':
      case u'e':
      case u'E':
      case u'g':
      case u'G':
      case u'a':
      case u'A': {
        long double v = len == Len::kBigL ? va_arg(args, long double) : va_arg(args, double);
        std::string f = "%";
        if (sp.left) f += '-';
        if (sp.plus) f += '+';
        if (sp.space) f += ' ';
        if (sp.alt) f += '#';
        if (sp.zero) f += '0';
        if (sp.width > 0) f += std::to_string(sp.width);
        if (sp.precision >= 0) {
          f += '.';
          f += std::to_string(sp.precision);
        }
        f += 'L';
        f += static_cast<char>(conv);
        int n = std::snprintf(nullptr, 0, f.c_str(), v);
        if (n > 0) {
          std::string buf(static_cast<size_t>(n) + 1, '\0');
          std::snprintf(buf.data(), buf.size(), f.c_str(), v);
          out += Widen(buf.data(), static_cast<size_t>(n));
        }
        break;
      }
      default:
        // Unknown conversion: copied through as written, consuming nothing.
        out.append(start, p);
        break;
    }
  }
  va_end(args);
  return out;
}

zvi_string LowerCaseExtension(const zvi_string& path) {
  size_t dot = path.rfind(u'.');
  if (dot == zvi_string::npos) return zvi_string();
  zvi_string ext = path.substr(dot);
  for (char16_t& c : ext)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return ext;
}
