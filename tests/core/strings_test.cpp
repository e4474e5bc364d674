// Extensions, wide formatting and UTF-8 conversion.
#include <gtest/gtest.h>

#include <stdexcept>

#include "core/strings.h"

namespace {

TEST(StringsTest, LowerCaseExtension) {
  struct Case { zvi_string path, ext; };
  const Case cases[] = {
      {u"D:\\shows\\Show.QMX", u".qmx"},
      {u"archive.tar.GZ", u".gz"},
      {u"README", u""},
      {u"", u""},
      {u".hidden", u".hidden"},
      {u"name.", u"."},
      {u"D:\\my.dir\\file", u".dir\\file"},  // the search crosses separators
      {u"file.\u00C4BC", u".\u00C4bc"},      // only A-Z are lowered
      {u"song.FlAc", u".flac"},
  };
  for (const Case& c : cases) EXPECT_EQ(LowerCaseExtension(c.path), c.ext);
}

TEST(StringsTest, FormatWideConversions) {
  struct Case { zvi_string got, expected; };
  const char16_t* wide = u"w\u00E9de";
  const Case cases[] = {
      {FormatWide(u"Segment %02d", 3), u"Segment 03"},
      {FormatWide(u"%d|%i|%5d|%-5d|%+d|% d", -42, 7, 42, 42, 5, 5), u"-42|7|   42|42   |+5| 5"},
      {FormatWide(u"%05d|%.3d|%u|%u", -42, 7, 4000000000u, 0u), u"-0042|007|4000000000|0"},
      {FormatWide(u"%x|%X|%#x|%08X|%o", 255u, 255u, 255u, 0xBEEFu, 8u), u"ff|FF|0xff|0000BEEF|10"},
      {FormatWide(u"%s|%ls|%6s|%-6s|%.2s", wide, wide, u"ab", u"ab", u"abcdef"), u"w\u00E9de|w\u00E9de|    ab|ab    |ab"},
      {FormatWide(u"%hs|%S", "narrow", "caps"), u"narrow|caps"},
      {FormatWide(u"%c%c|%hc", u'\u00E9', u'x', 'n'), u"\u00E9x|n"},
      {FormatWide(u"%f|%.2f|%8.3f|%g|%g|%e", 1.5, 3.14159, -2.5, 0.0001, 1e20, 12345.0), u"1.500000|3.14|  -2.500|0.0001|1e+20|1.234500e+04"},
      {FormatWide(u"%*d|%.*f", 4, 7, 1, 2.25), u"   7|2.2"},
      {FormatWide(u"100%%"), u"100%"},
      {FormatWide(u"%lld|%I64d|%zu", -9000000000LL, 9000000000LL, static_cast<size_t>(12)), u"-9000000000|9000000000|12"},
      {FormatWide(u"%s", static_cast<const char16_t*>(nullptr)), u"(null)"},
      {FormatWide(u"no args"), u"no args"},
      {FormatWide(u""), u""},
      {FormatWide(u"%q|%"), u"%q|%"},  // unknown and trailing conversions are copied
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
  EXPECT_EQ(FormatWide(nullptr), u"");
  EXPECT_EQ(FormatWide(u"%999999999d", 1).size(), 65536u);  // width capped
}

TEST(StringsTest, Utf8ToWide) {
  EXPECT_EQ(Utf8ToWide(""), u"");
  EXPECT_EQ(Utf8ToWide(static_cast<const char*>(nullptr)), u"");
  EXPECT_EQ(Utf8ToWide("DS_TextLink"), u"DS_TextLink");
  EXPECT_EQ(Utf8ToWide("\xE2\x82\xAC"), u"\u20AC");
  EXPECT_EQ(Utf8ToWide("\xC3\xA9t\xC3\xA9"), u"\u00E9t\u00E9");
  EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), zvi_string({char16_t(0xD83D), char16_t(0xDE00)}));
  EXPECT_EQ(Utf8ToWide("\xF4\x8F\xBF\xBF"), zvi_string({char16_t(0xDBFF), char16_t(0xDFFF)}));  // U+10FFFF

  const char* bad[] = {
      "\x80",              // stray continuation byte
      "\xC3",              // truncated
      "\xE2\x82",          // truncated
      "\xC0\xAF",          // overlong
      "\xE0\x80\xAF",      // overlong
      "\xED\xA0\x80",      // a surrogate
      "\xF4\x90\x80\x80",  // beyond U+10FFFF
      "\xFF",
      "ok\xC3(",           // a non-continuation byte inside a sequence
  };
  for (const char* b : bad) EXPECT_THROW(Utf8ToWide(b), std::range_error) << b;
  try {
    Utf8ToWide("\xFF");
  } catch (const std::range_error& e) {
    EXPECT_STREQ(e.what(), "bad conversion");
  }
}

}  // namespace
