// The stored string forms: markers, the three length forms, zero units.
#include <gtest/gtest.h>

#include "core/archive.h"
#include "core/string_codec.h"
#include "tools/writer/byte_builder.h"

namespace {

std::vector<uint8_t> Units(std::vector<uint8_t> head, std::u16string_view units) {
  for (char16_t c : units) {
    head.push_back(static_cast<uint8_t>(c & 0xFF));
    head.push_back(static_cast<uint8_t>(c >> 8));
  }
  return head;
}

TEST(WideString, StoredFormsDecodeToTheirTextAndLength) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    zvi_string text;
    size_t consumed;
  } cases[] = {
      {"empty", {0xFF, 0xFE, 0xFF, 0x00}, u"", 4},
      {"byte form", Units({0xFF, 0xFE, 0xFF, 0x03}, u"abc"), u"abc", 10},
      {"word form", Units({0xFF, 0xFE, 0xFF, 0xFF, 0x05, 0x00}, u"hello"), u"hello", 16},
      {"dword form", Units({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0, 0, 0}, u"xyz"), u"xyz", 16},
      {"markers not tested", Units({0x00, 0x00, 0x00, 0x02}, u"ok"), u"ok", 8},
      {"cut at first zero unit", Units({0xFF, 0xFE, 0xFF, 0x03}, std::u16string_view(u"a\0c", 3)), u"a", 10},
      {"header", Units({0xFF, 0xFE, 0xFF, 0x0B}, u"QMF v 5.0.0"), u"QMF v 5.0.0", 26},
      {"beyond the data", Units({0xFF, 0xFE, 0xFF, 0x09}, u"ab"), u"ab", 8},
      {"huge length", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0}, u"a", 12},
      {"half unit", {0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b'}, u"ab", 7},
      {"cut inside the length", {0xFF, 0xFE, 0xFF, 0xFF, 0x05}, u"", 5},
  };
  for (const Case& c : cases) {
    zvi_string s = u"previous";
    EXPECT_EQ(DecodeWideString(c.bytes.data(), c.bytes.size(), &s), c.consumed) << c.what;
    EXPECT_EQ(s, c.text) << c.what;
  }
}

TEST(WideString, NextValueFollowsAllUnitsOfACutString) {
  pw::ByteBuilder b;
  b.WideString(std::u16string_view(u"x\0z", 3)).U32(0x12345678);
  MemoryArchive a(b.bytes().data(), b.size());
  zvi_string s;
  uint32_t v = 0;
  a.ReadWideString(&s);
  a.ReadUInt(&v);
  EXPECT_EQ(s, u"x");
  EXPECT_EQ(v, 0x12345678u);
}

TEST(WideString, WriterFormsRoundTripAtTheEscapeBoundaries) {
  using pw::LengthForm;
  const uint32_t lengths[] = {0, 1, 254, 255, 256, 65534, 65535, 70000};
  const LengthForm forms[] = {LengthForm::Shortest, LengthForm::Word, LengthForm::Dword};
  for (uint32_t len : lengths) {
    zvi_string text(len, u'q');
    for (size_t i = 0; i < text.size(); i += 7) text[i] = static_cast<char16_t>(0x4E00 + i % 100);
    for (LengthForm form : forms) {
      if (form == LengthForm::Word && len >= 0xFFFF) continue;
      pw::ByteBuilder b;
      b.WideString(text, form).U8(0x7E);
      size_t header = form == LengthForm::Dword ? 10 : form == LengthForm::Word ? 6 : len < 255 ? 4 : len < 65535 ? 6 : 10;
      ASSERT_EQ(b.size(), header + 2 * len + 1);
      zvi_string s;
      EXPECT_EQ(DecodeWideString(b.bytes().data(), b.size(), &s), header + 2 * len);
      EXPECT_EQ(s, text) << len;
    }
  }
}

TEST(NarrowString, LengthFormsAndZeroBytes) {
  pw::ByteBuilder b;
  b.NarrowString("plain").NarrowString(std::string(300, 'n')).NarrowString("tail", pw::LengthForm::Dword)
      .NarrowString(std::string_view("a\0b", 3)).U8(9);
  MemoryArchive a(b.bytes().data(), b.size());
  std::string s1, s2, s3, s4;
  uint8_t last = 0;
  a.ReadString(&s1);
  a.ReadString(&s2);
  a.ReadString(&s3);
  a.ReadString(&s4);
  a.ReadByte(&last);
  EXPECT_EQ(s1, "plain");
  EXPECT_EQ(s2, std::string(300, 'n'));
  EXPECT_EQ(s3, "tail");
  EXPECT_EQ(s4, "a");
  EXPECT_EQ(last, 9);
}

TEST(NarrowString, LengthBeyondTheDataKeepsWhatIsThere) {
  const uint8_t bytes[] = {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 'h', 'i'};
  MemoryArchive a(bytes, sizeof bytes);
  std::string s;
  a.ReadString(&s);
  EXPECT_EQ(s, "hi");
  EXPECT_TRUE(a.Buffer().MetEnd());
}

}  // namespace
