#include "base/text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vilk {
namespace {

TEST(Cp1251, EveryByteRoundTripsThroughUtf8) {
  std::set<std::string> seen;
  std::string all;
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string utf8 = Cp1251ToUtf8(byte);
    EXPECT_EQ(CharCount(utf8), 1u) << "byte " << b;
    EXPECT_EQ(Utf8ToCp1251(utf8), byte) << "byte " << b;
    seen.insert(utf8);
    all += byte;
  }
  EXPECT_EQ(seen.size(), 256u);
  // The same in one pass over a whole buffer.
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Cp1251, AsciiIsUnchanged) {
  const std::string text = "Pump_12 (in) = 3.5;\t\n";
  EXPECT_EQ(Cp1251ToUtf8(text), text);
  EXPECT_EQ(Utf8ToCp1251(text), text);
  EXPECT_EQ(Cp1251ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1251, KnownMappings) {
  struct Case {
    const char* cp1251;
    const char* utf8;
  };
  const Case cases[] = {
      {"\xA8", "\xD0\x81"},              // Ё U+0401
      {"\xB8", "\xD1\x91"},              // ё U+0451
      {"\xB9", "\xE2\x84\x96"},          // № U+2116
      {"\xC0", "\xD0\x90"},              // А U+0410
      {"\xFF", "\xD1\x8F"},              // я U+044F
      {"\xCF\xF0", "\xD0\x9F\xD1\x80"},  // Пр
      {"\x88", "\xE2\x82\xAC"},          // € U+20AC
      {"\x80", "\xD0\x82"},              // Ђ U+0402
      {"\x82", "\xE2\x80\x9A"},          // ‚ U+201A
      {"\x98", "\xC2\x98"},              // unassigned, kept as U+0098
      {"\x99", "\xE2\x84\xA2"},          // ™ U+2122
      {"\xA0", "\xC2\xA0"},              // no-break space
      {"\xA5", "\xD2\x90"},              // Ґ U+0490
      {"\xB4", "\xD2\x91"},              // ґ U+0491
      {"\xAD", "\xC2\xAD"},              // soft hyphen
      {"5\xB9N", "5\xE2\x84\x96N"},      // mixed with ASCII
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp1251ToUtf8(c.cp1251), c.utf8) << c.utf8;
    EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251) << c.utf8;
  }
}

TEST(Cp1251, WholeUpperHalfMatchesTheCodePage) {
  std::string high;
  for (int b = 0x80; b < 0x100; ++b) high.push_back(static_cast<char>(b));
  const std::string expected =
      "ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏ"
      "ђ‘’“”•–—\xC2\x98™љ›њќћџ"
      "\xC2\xA0ЎўЈ¤Ґ¦§Ё©Є«¬\xC2\xAD®Ї"
      "°±Ііґµ¶·ё№є»јЅѕї"
      "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"
      "абвгдежзийклмнопрстуфхцчшщъыьэюя";
  EXPECT_EQ(Cp1251ToUtf8(high), expected);
  EXPECT_EQ(Utf8ToCp1251(expected), high);
}

TEST(Cp1251, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1251("中"), "?");
  EXPECT_EQ(Utf8ToCp1251("😀"), "?");  // 4-byte sequence, one '?'
  EXPECT_EQ(Utf8ToCp1251("a中b😀Ж"), "a?b?\xC6");
  EXPECT_EQ(Utf8ToCp1251("\xC3\x9C"), "?");          // Ü: same page as ©, not in cp1251
  EXPECT_EQ(Utf8ToCp1251("\xD0\x80"), "?");          // Ѐ U+0400: Cyrillic page, unmapped
  EXPECT_EQ(Utf8ToCp1251("\xE2\x80\x80"), "?");      // U+2000: punctuation page, unmapped
  EXPECT_EQ(Utf8ToCp1251("\xC4\x80"), "?");          // Ā U+0100
  EXPECT_EQ(Utf8ToCp1251("\xF4\x8F\xBF\xBF"), "?");  // U+10FFFF, the last code point
}

TEST(Cp1251, InvalidUtf8BytesBecomeOneQuestionMarkEach) {
  struct Case {
    const char* utf8;
    const char* cp1251;
  };
  const Case cases[] = {
      {"\x80", "?"},                 // lone continuation byte
      {"\xD0", "?"},                 // lead byte at the end
      {"\xD0Z", "?Z"},               // lead byte without continuation
      {"\xE2\x84Z", "??Z"},          // truncated three-byte sequence
      {"\xC0\xAF", "??"},            // overlong '/'
      {"\xC1\xBF", "??"},            // overlong
      {"\xE0\x80\xAF", "???"},       // overlong three-byte
      {"\xED\xA0\x80", "???"},       // UTF-16 surrogate
      {"\xF4\x90\x80\x80", "????"},  // above U+10FFFF
      {"\xF5", "?"},
      {"\xFF\xFE", "??"},
      {"\xD0\x9F\xFF\xD1\x80", "\xCF?\xF0"},  // П, junk, р
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251) << testing::PrintToString(std::string(c.utf8));
  }
}

TEST(Utf8Chars, CountsCodePointsNotBytes) {
  EXPECT_EQ(CharCount(""), 0u);
  EXPECT_EQ(CharCount("abc"), 3u);
  EXPECT_EQ(CharCount("Пр"), 2u);
  EXPECT_EQ(CharCount("Ab Вг1"), 6u);
  EXPECT_EQ(CharCount("№5"), 2u);
  EXPECT_EQ(CharCount("😀x"), 2u);
  EXPECT_EQ(CharCount("\xFF\xD0"), 2u);      // invalid bytes count one each
  EXPECT_EQ(CharCount("\xE2\x84"), 2u);      // truncated sequence: two stray bytes
  EXPECT_EQ(CharCount("\xD0\x9F\x80"), 2u);  // П and a stray continuation byte
}

TEST(Utf8Chars, ByteOffsetOfChar) {
  const std::string name = "Клапан_V12";  // 6 two-byte letters, then 4 ASCII: 16 bytes
  ASSERT_EQ(name.size(), 16u);
  EXPECT_EQ(ByteOffsetOfChar(name, 0), 0u);
  EXPECT_EQ(ByteOffsetOfChar(name, 1), 2u);
  EXPECT_EQ(ByteOffsetOfChar(name, 6), 12u);
  EXPECT_EQ(ByteOffsetOfChar(name, 7), 13u);
  EXPECT_EQ(ByteOffsetOfChar(name, 9), 15u);
  EXPECT_EQ(ByteOffsetOfChar(name, 10), 16u);
  EXPECT_EQ(ByteOffsetOfChar(name, 99), 16u);
  EXPECT_EQ(ByteOffsetOfChar("😀a", 1), 4u);
  EXPECT_EQ(ByteOffsetOfChar("", 3), 0u);
}

TEST(Utf8Chars, Truncate) {
  const std::string name = "Клапан_V12";
  EXPECT_EQ(Truncate(name, 0), "");
  EXPECT_EQ(Truncate(name, 3), "Кла");
  EXPECT_EQ(Truncate(name, 7), "Клапан_");
  EXPECT_EQ(Truncate(name, 8), "Клапан_V");
  EXPECT_EQ(Truncate(name, 10), name);
  EXPECT_EQ(Truncate(name, 50), name);
  EXPECT_EQ(Truncate("ab", std::string::npos), "ab");
  EXPECT_EQ(Truncate("x😀y", 2), "x😀");
  // An invalid byte is one character and is kept as it is.
  EXPECT_EQ(Truncate("\xFFЖa", 2), "\xFFЖ");
}

TEST(Utf8Chars, Slice) {
  const std::string name = "Клапан_V12";
  EXPECT_EQ(Slice(name, 2, 3), "апа");
  EXPECT_EQ(Slice(name, 5, 3), "н_V");
  EXPECT_EQ(Slice(name, 6), "_V12");
  EXPECT_EQ(Slice(name, 8, 100), "12");
  EXPECT_EQ(Slice(name, 0), name);
  EXPECT_EQ(Slice(name, 10), "");
  EXPECT_EQ(Slice(name, 50, 2), "");
  EXPECT_EQ(Slice(name, 3, 0), "");
  EXPECT_EQ(Slice("a😀b", 1, 1), "😀");
}

}  // namespace
}  // namespace vilk
