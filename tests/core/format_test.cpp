#include "base/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace vilk {
namespace {

TEST(Format, TextsTheProgramBuilds) {
  EXPECT_EQ(Format("Size:%-7d", 1234), "Size:1234   ");
  EXPECT_EQ(Format("Size:%-7d", -5), "Size:-5     ");
  EXPECT_EQ(Format("Size:%-7d", 123456789), "Size:123456789");
  EXPECT_EQ(Format("File:%-16.16s", "Очень_длинное_имя.cfg"), "File:Очень_длинное_им");
  EXPECT_EQ(Format("File:%-16.16s", "a.cfg"), "File:a.cfg           ");
  // 8 characters in 12 bytes: padded with 8 spaces, not 4.
  EXPECT_EQ(Format("File:%-16.16s", "Пуск.cfg"), "File:Пуск.cfg        ");
  EXPECT_EQ(Format("%4.4x", 255), "00ff");
  EXPECT_EQ(Format("%4.4x", 0), "0000");
  EXPECT_EQ(Format("%4.4x", 0x12345), "12345");
  EXPECT_EQ(Format("%5.5x", 0x1A3), "001a3");
  EXPECT_EQ(Format("%5.5x", 0xABCDE), "abcde");
  EXPECT_EQ(Format("%.6g", 0.02442), "0.02442");
  EXPECT_EQ(Format("%.6g", 1234567.0), "1.23457e+06");
  EXPECT_EQ(Format("%.6g", 100.0), "100");
  EXPECT_EQ(Format("%.6g", 0.0001), "0.0001");
  EXPECT_EQ(Format("%.6g", 0.00001), "1e-05");
  EXPECT_EQ(Format("%d_Порт %s", 2, "Насос"), "2_Порт Насос");
  EXPECT_EQ(Format("COM_%d.%d %s", 1, 3, "Вход"), "COM_1.3 Вход");
  EXPECT_EQ(Format("%s.Пр%d", "Узел", 12), "Узел.Пр12");
  EXPECT_EQ(Format("%s%s%s", "a", "Б", "c"), "aБc");
  EXPECT_EQ(Format("%s%s%s", "", std::string("Ж"), std::string_view("")), "Ж");
  EXPECT_EQ(Format("v %d.%d", 2, 15), "v 2.15");
  EXPECT_EQ(Format("ТС%d", 7), "ТС7");
  EXPECT_EQ(Format("_повтор%d", 3), "_повтор3");
  EXPECT_EQ(Format("Без аргументов"), "Без аргументов");
}

TEST(Format, PercentSign) {
  EXPECT_EQ(Format("%%"), "%");
  EXPECT_EQ(Format("100%% готово"), "100% готово");
  EXPECT_EQ(Format("%d%%", 50), "50%");
}

TEST(Format, SignedIntegersAndFlags) {
  EXPECT_EQ(Format("%d", 0), "0");
  EXPECT_EQ(Format("%i", -12), "-12");
  EXPECT_EQ(Format("%5d|", 42), "   42|");
  EXPECT_EQ(Format("%05d", -42), "-0042");
  EXPECT_EQ(Format("%-05d|", 42), "42   |");
  EXPECT_EQ(Format("%+d", 5), "+5");
  EXPECT_EQ(Format("% d", 5), " 5");
  EXPECT_EQ(Format("%.3d", 7), "007");
  EXPECT_EQ(Format("%.0d", 0), "");
  EXPECT_EQ(Format("%ld", 1099511627776LL), "1099511627776");
  EXPECT_EQ(Format("%d", 1099511627776LL), "1099511627776");
  EXPECT_EQ(Format("%d", INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(Format("%hd", 65537), "1");
  EXPECT_EQ(Format("%hhd", 255), "-1");
  EXPECT_EQ(Format("%d", 4000000000u), "4000000000");
}

TEST(Format, UnsignedConversionsOfNegativeValues) {
  EXPECT_EQ(Format("%x", -1), "ffffffff");
  EXPECT_EQ(Format("%X", -2), "FFFFFFFE");
  EXPECT_EQ(Format("%5.5x", -1), "ffffffff");
  EXPECT_EQ(Format("%u", -1), "4294967295");
  EXPECT_EQ(Format("%o", -1), "37777777777");
  EXPECT_EQ(Format("%x", INT32_MIN), "80000000");
  // Wider values keep all 64 bits, and so does an explicit 'l'.
  EXPECT_EQ(Format("%x", -(1LL << 40)), "ffffff0000000000");
  EXPECT_EQ(Format("%lx", -1L), "ffffffffffffffff");
  EXPECT_EQ(Format("%llu", 18446744073709551615ULL), "18446744073709551615");
  EXPECT_EQ(Format("%hx", -1), "ffff");
  EXPECT_EQ(Format("%hhx", 0x1FF), "ff");
}

TEST(Format, UnsignedConversions) {
  EXPECT_EQ(Format("%x", 0x80000000u), "80000000");
  EXPECT_EQ(Format("%x", 4294967296ULL), "100000000");
  EXPECT_EQ(Format("%X", 0xBEEF), "BEEF");
  EXPECT_EQ(Format("%#x", 255), "0xff");
  EXPECT_EQ(Format("%#o", 8), "010");
  EXPECT_EQ(Format("%o", 8), "10");
  EXPECT_EQ(Format("%08X", 0xABC), "00000ABC");
  EXPECT_EQ(Format("%u", 3000000000u), "3000000000");
}

TEST(Format, FloatingPoint) {
  EXPECT_EQ(Format("%f", 1.5), "1.500000");
  EXPECT_EQ(Format("%F", 2.0), "2.000000");
  EXPECT_EQ(Format("%.2f", 0.125), "0.12");  // exact tie: printf rounds to even
  EXPECT_EQ(Format("%8.3f|", -3.14159), "  -3.142|");
  EXPECT_EQ(Format("%-8.1f|", 2.25), "2.2     |");
  EXPECT_EQ(Format("%+.1f", 2.0), "+2.0");
  EXPECT_EQ(Format("%.3e", 12346.0), "1.235e+04");
  EXPECT_EQ(Format("%E", 0.5), "5.000000E-01");
  EXPECT_EQ(Format("%G", 1e-10), "1E-10");
  EXPECT_EQ(Format("%g", 0.1f), "0.1");
  EXPECT_EQ(Format("%#g", 1.0), "1.00000");
  EXPECT_EQ(Format("%010.2f", -1.5), "-000001.50");
  EXPECT_EQ(Format("%g", NAN), "nan");
  EXPECT_EQ(Format("%f", -INFINITY), "-inf");
  // Output longer than any small stack buffer.
  EXPECT_EQ(Format("%.0f", 1e300).size(), 301u);
  EXPECT_EQ(Format("%.0f", 1e300).substr(0, 4), "1000");
}

TEST(Format, CountsCharactersForStrings) {
  EXPECT_EQ(Format("%5s|", "Ж"), "    Ж|");
  EXPECT_EQ(Format("%-5s|", "Жук"), "Жук  |");
  EXPECT_EQ(Format("%.2s", "Жук"), "Жу");
  EXPECT_EQ(Format("%.2s", "a😀b"), "a😀");
  EXPECT_EQ(Format("[%.0s]", "abc"), "[]");
  EXPECT_EQ(Format("%2s", "abcd"), "abcd");
  EXPECT_EQ(Format("%6.3s|", "Привод"), "   При|");
  EXPECT_EQ(Format("%05s", "ab"), "   ab");  // '0' pads strings with spaces, as glibc does
}

TEST(Format, StarWidthAndPrecision) {
  EXPECT_EQ(Format("%*d", 5, 42), "   42");
  EXPECT_EQ(Format("%-*d|", 4, 7), "7   |");
  EXPECT_EQ(Format("%*d|", -4, 7), "7   |");  // negative width: left-justified
  EXPECT_EQ(Format("%.*s", 2, "Жук"), "Жу");
  EXPECT_EQ(Format("%.*s", -1, "Жук"), "Жук");  // negative precision: none
  EXPECT_EQ(Format("%*.*f", 7, 2, 3.14159), "   3.14");
  EXPECT_EQ(Format("%300d", 1), std::string(299, ' ') + "1");
}

TEST(Format, CharacterFromCodePoint) {
  EXPECT_EQ(Format("%c", 'A'), "A");
  EXPECT_EQ(Format("%c", 0x416), "Ж");
  EXPECT_EQ(Format("%c%c", 0x41F, 0x440), "Пр");
  EXPECT_EQ(Format("%c", 0x2116), "№");
  EXPECT_EQ(Format("%3c", 0x44F), "  я");
  EXPECT_EQ(Format("%-3c|", 0x1F600), "😀  |");
  EXPECT_EQ(Format("%c", 0x110000), "?");
  EXPECT_EQ(Format("%c", 0xD800), "?");
  EXPECT_EQ(Format("%c", -1), "?");
  EXPECT_EQ(Format("%c", "Жук"), "Ж");
}

TEST(Format, WrongArgumentTypesAreConverted) {
  EXPECT_EQ(Format("%d", 3.99), "3");
  EXPECT_EQ(Format("%d", -2.7), "-2");
  EXPECT_EQ(Format("%5d|", 12.5), "   12|");
  EXPECT_EQ(Format("%x", 255.9), "ff");
  EXPECT_EQ(Format("%x", -1.0), "ffffffff");
  EXPECT_EQ(Format("%d", NAN), "0");
  EXPECT_EQ(Format("%d", 1e30), "9223372036854775807");
  EXPECT_EQ(Format("%g", 3), "3");
  EXPECT_EQ(Format("%g", 1000000), "1e+06");
  EXPECT_EQ(Format("%.2f", 7), "7.00");
  EXPECT_EQ(Format("%s", 42), "42");
  EXPECT_EQ(Format("%s", -7), "-7");
  EXPECT_EQ(Format("%s", 2.5), "2.5");
  EXPECT_EQ(Format("%4s|", 1), "   1|");
  EXPECT_EQ(Format("%d", "17"), "17");
  EXPECT_EQ(Format("%d", "-3.9"), "-3");
  EXPECT_EQ(Format("%d", "abc"), "0");
  EXPECT_EQ(Format("%g", "2.5"), "2.5");
  EXPECT_EQ(Format("%d", "9007199254740993"), "9007199254740993");
}

TEST(Format, MissingAndExtraArguments) {
  EXPECT_EQ(Format("x%dy"), "x0y");
  EXPECT_EQ(Format("[%3d][%s][%4s][%x][%.1f]"), "[  0][][    ][0][0.0]");
  EXPECT_EQ(Format("%d %d", 1), "1 0");
  EXPECT_EQ(Format("a", 1, "b"), "a");
  EXPECT_EQ(Format("[%c]"), "[]");
}

TEST(Format, UnknownOrUnfinishedConversionsStayAsWritten) {
  EXPECT_EQ(Format("%y", 1), "%y");
  EXPECT_EQ(Format("50%k!"), "50%k!");
  EXPECT_EQ(Format("%-5y|"), "%-5y|");
  EXPECT_EQ(Format("%y %d", 5), "%y 5");  // an unknown conversion takes no argument
  EXPECT_EQ(Format("%n", 1), "%n");
  EXPECT_EQ(Format("%p", 1), "%p");
  EXPECT_EQ(Format("%Ж", 1), "%Ж");
  EXPECT_EQ(Format("abc%"), "abc%");
  EXPECT_EQ(Format("abc%-5"), "abc%-5");
  EXPECT_EQ(Format("%d%", 4), "4%");
}

}  // namespace
}  // namespace vilk
