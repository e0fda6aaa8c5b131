#include "base/ini.h"
#include "base/format.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"

namespace vilk {
namespace {

// Documents in these tests are written in UTF-8 for readability and handed over as cp1251,
// the way they come from disk.
IniDocument FromText(std::string_view utf8) {
  IniDocument doc;
  doc.Parse(Utf8ToCp1251(utf8));
  return doc;
}

std::string Text(const IniDocument& doc) {
  return Cp1251ToUtf8(doc.ToBytes());
}

std::string ReadRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file name of this test in the temporary folder, removed when the test ends.
class TempPath {
 public:
  explicit TempPath(const std::string& name)
      : path_(::testing::TempDir() + "vilk_ini_" + std::to_string(::getpid()) + "_" + name) {
    std::remove(path_.c_str());
  }
  ~TempPath() { std::remove(path_.c_str()); }
  const std::string& str() const { return path_; }

 private:
  std::string path_;
};

TEST(FoldCase, LatinAndCyrillicLettersFold) {
  EXPECT_EQ(FoldCase("ABCxyz_09[]"), "abcxyz_09[]");
  EXPECT_EQ(FoldCase("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"), "абвгдежзийклмнопрстуфхцчшщъыьэюя");
  EXPECT_EQ(FoldCase("абвгдежзийклмнопрстуфхцчшщъыьэюя"), "абвгдежзийклмнопрстуфхцчшщъыьэюя");
  EXPECT_EQ(FoldCase("ЁЖИК Ёж"), "ёжик ёж");
  // The rest of the cp1251 letters: Ukrainian, Belarusian, Serbian, Macedonian.
  EXPECT_EQ(FoldCase("ЄІЇЎЂЃЉЊЋЌЏЈЅҐ"), "єіїўђѓљњћќџјѕґ");
  EXPECT_EQ(FoldCase("ÀÉÖÞ"), "àéöþ");
  // Not letters, or letters without a pair: unchanged.
  EXPECT_EQ(FoldCase("№×÷ßÿ€"), "№×÷ßÿ€");
  EXPECT_EQ(FoldCase(""), "");
  // Invalid UTF-8 passes through byte for byte.
  EXPECT_EQ(FoldCase("A\xFF\xD0Z"), "a\xFF\xD0z");
}

TEST(FoldCase, CyrillicAndLatinLookalikesStayDifferent) {
  // "СОМ" in Cyrillic and "COM" in Latin look alike but are different letters.
  EXPECT_EQ(FoldCase("СОМ_N"), "сом_n");
  EXPECT_EQ(FoldCase("COM_N"), "com_n");
  EXPECT_NE(FoldCase("СОМ_N"), FoldCase("COM_N"));
}

TEST(IniInteger, DelphiStrToIntForms) {
  const std::pair<const char*, int> good[] = {
      {"0", 0},
      {"42", 42},
      {"007", 7},
      {"-5", -5},
      {"+7", 7},
      {"$1F", 31},
      {"$1f", 31},
      {"0x1f", 31},
      {"0X10", 16},
      {"-$10", -16},
      {"-0x10", -16},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"$7FFFFFFF", INT_MAX},
      {"$80000000", INT_MIN},
      {"$FFFFFFFF", -1},
  };
  for (const auto& [text, value] : good) {
    const std::optional<int> parsed = ParseIniInteger(text);
    ASSERT_TRUE(parsed.has_value()) << text;
    EXPECT_EQ(*parsed, value) << text;
  }
  const char* bad[] = {"",    "-",   "+",   "$",    "0x",         "12abc",       "abc",
                       "1 2", "$1G", "1.5", "0x1g", "2147483648", "-2147483649", "$100000000",
                       "--1", "+-1", "x1F", "1e3",  " 1"};
  for (const char* text : bad) EXPECT_FALSE(ParseIniInteger(text).has_value()) << text;
}

TEST(IniFloat, BothSeparatorsAndExponents) {
  const std::pair<const char*, double> good[] = {
      {"3,5", 3.5},    {"3.5", 3.5},      {"-0,25", -0.25}, {"+2", 2.0},
      {"1e3", 1000.0}, {"1,5E-2", 0.015}, {".5", 0.5},      {"5.", 5.0},
      {"0", 0.0},      {"12", 12.0},      {"2.5e+1", 25.0},
  };
  for (const auto& [text, value] : good) {
    const std::optional<double> parsed = ParseIniFloat(text);
    ASSERT_TRUE(parsed.has_value()) << text;
    EXPECT_DOUBLE_EQ(*parsed, value) << text;
  }
  const char* bad[] = {"",    "abc",  "1,2,3", "1.5x", "inf", "nan", "e5",   "1e",
                       "1e+", "0x10", ",",     "-",    ". 5", "1 5", "1e400"};
  for (const char* text : bad) EXPECT_FALSE(ParseIniFloat(text).has_value()) << text;
}

TEST(IniFloat, FormatIsShortestAndReadsBack) {
  EXPECT_EQ(FormatIniFloat(0.1), "0.1");
  EXPECT_EQ(FormatIniFloat(-2.5), "-2.5");
  EXPECT_EQ(FormatIniFloat(100.0), "100");
  EXPECT_EQ(FormatIniFloat(1e20), "1e+20");
  for (const double value : {1.0 / 3.0, 0.02442, 123456.789, -1e-300, 6.02214076e23}) {
    const std::optional<double> back = ParseIniFloat(FormatIniFloat(value));
    ASSERT_TRUE(back.has_value()) << value;
    EXPECT_EQ(*back, value);  // exactly, not approximately
  }
}

TEST(IniDocument, SavesCp1251WithCrLfAndLoadsBack) {
  TempPath file("roundtrip.ini");
  IniDocument doc;
  // "СОМ" here is Cyrillic, as the program writes it.
  ASSERT_TRUE(doc.WriteString("Порты", "СОМ_N", "Насос 1"));
  ASSERT_TRUE(doc.WriteInteger("Порты", "Скорость", 9600));
  ASSERT_TRUE(doc.WriteString("General", "Path", "C:\\Vilk"));
  std::string error;
  ASSERT_TRUE(doc.SaveFile(file.str(), &error)) << error;

  const std::string expected = std::string("[") + "\xCF\xEE\xF0\xF2\xFB" + "]\r\n" +  // Порты
                               "\xD1\xCE\xCC" + "_N=" +                               // СОМ
                               "\xCD\xE0\xF1\xEE\xF1" + " 1\r\n" +                    // Насос
                               "\xD1\xEA\xEE\xF0\xEE\xF1\xF2\xFC" + "=9600\r\n" +  // Скорость
                               "\r\n" + "[General]\r\n" + "Path=C:\\Vilk\r\n";
  EXPECT_EQ(ReadRaw(file.str()), expected);

  IniDocument loaded;
  ASSERT_TRUE(loaded.LoadFile(file.str(), &error)) << error;
  EXPECT_EQ(loaded.ReadString("Порты", "СОМ_N"), "Насос 1");
  EXPECT_EQ(loaded.ReadInteger("Порты", "Скорость", 0), 9600);
  EXPECT_EQ(loaded.ReadString("General", "Path"), "C:\\Vilk");
  EXPECT_EQ(loaded.ToBytes(), expected);

  // Saving again over the existing file replaces it.
  ASSERT_TRUE(loaded.WriteString("General", "Path", "D:\\"));
  ASSERT_TRUE(loaded.SaveFile(file.str(), &error)) << error;
  EXPECT_EQ(ReadRaw(file.str()), expected.substr(0, expected.size() - 9) + "D:\\\r\n");
}

TEST(IniDocument, LookupIgnoresCaseOfCyrillicAndLatin) {
  const IniDocument doc = FromText(
      "[Порты]\n"
      "СОМ_N=5\n"
      "Ёмкость=12\n"
      "[General]\n"
      "Language=ru\n");
  EXPECT_EQ(doc.ReadString("ПОРТЫ", "сом_n", "none"), "5");
  EXPECT_EQ(doc.ReadString("пОрТы", "СоМ_n", "none"), "5");
  EXPECT_EQ(doc.ReadString("порты", "ёМКОСТЬ", "none"), "12");
  // The same word spelled with Latin letters is another key.
  EXPECT_EQ(doc.ReadString("Порты", "COM_N", "none"), "none");
  EXPECT_FALSE(doc.ValueExists("Порты", "com_n"));
  EXPECT_EQ(doc.ReadString("GENERAL", "language", "none"), "ru");
  // Names given with spaces around them are trimmed, as Windows does.
  EXPECT_EQ(doc.ReadString(" general ", " LANGUAGE\t", "none"), "ru");
  EXPECT_TRUE(doc.SectionExists("gEnErAl"));
  EXPECT_FALSE(doc.SectionExists("Genera"));
  EXPECT_EQ(doc.ReadString("Nowhere", "Language", "none"), "none");
}

TEST(IniDocument, TypedReads) {
  const IniDocument doc = FromText(
      "[N]\n"
      "hex=$1F\n"
      "neg=-5\n"
      "junk=12abc\n"
      "spaced =  42  \n"
      "empty=\n"
      "cx=0x10\n"
      "two=2\n"
      "zero=0\n"
      "word=true\n"
      "comma=3,5\n"
      "dot=-0.25\n"
      "float=1.5x\n");
  EXPECT_EQ(doc.ReadInteger("N", "hex", -1), 31);
  EXPECT_EQ(doc.ReadInteger("N", "neg", -1), -5);
  EXPECT_EQ(doc.ReadInteger("N", "junk", -1), -1);
  EXPECT_EQ(doc.ReadInteger("N", "spaced", -1), 42);
  EXPECT_EQ(doc.ReadInteger("N", "empty", -1), -1);
  EXPECT_EQ(doc.ReadInteger("N", "cx", -1), 16);
  EXPECT_EQ(doc.ReadInteger("N", "missing", 77), 77);

  EXPECT_TRUE(doc.ReadBool("N", "two", false));
  EXPECT_TRUE(doc.ReadBool("N", "neg", false));
  EXPECT_FALSE(doc.ReadBool("N", "zero", true));
  // Not an integer: the default, whichever it is.
  EXPECT_TRUE(doc.ReadBool("N", "word", true));
  EXPECT_FALSE(doc.ReadBool("N", "word", false));
  EXPECT_TRUE(doc.ReadBool("N", "missing", true));

  EXPECT_DOUBLE_EQ(doc.ReadFloat("N", "comma", 0), 3.5);
  EXPECT_DOUBLE_EQ(doc.ReadFloat("N", "dot", 0), -0.25);
  EXPECT_DOUBLE_EQ(doc.ReadFloat("N", "spaced", 0), 42.0);
  EXPECT_DOUBLE_EQ(doc.ReadFloat("N", "float", 9.5), 9.5);
  EXPECT_DOUBLE_EQ(doc.ReadFloat("N", "empty", 9.5), 9.5);
  EXPECT_DOUBLE_EQ(doc.ReadFloat("N", "missing", 9.5), 9.5);
}

TEST(IniDocument, TypedWritesReadBack) {
  IniDocument doc;
  ASSERT_TRUE(doc.WriteInteger("T", "i", -123));
  ASSERT_TRUE(doc.WriteInteger("T", "min", INT_MIN));
  ASSERT_TRUE(doc.WriteBool("T", "yes", true));
  ASSERT_TRUE(doc.WriteBool("T", "no", false));
  ASSERT_TRUE(doc.WriteFloat("T", "f", 0.1));
  ASSERT_TRUE(doc.WriteFloat("T", "third", 1.0 / 3.0));
  EXPECT_EQ(doc.ReadString("T", "i"), "-123");
  EXPECT_EQ(doc.ReadString("T", "min"), "-2147483648");
  EXPECT_EQ(doc.ReadString("T", "yes"), "1");
  EXPECT_EQ(doc.ReadString("T", "no"), "0");
  EXPECT_EQ(doc.ReadString("T", "f"), "0.1");

  IniDocument back;
  back.Parse(doc.ToBytes());
  EXPECT_EQ(back.ReadInteger("T", "i", 0), -123);
  EXPECT_EQ(back.ReadInteger("T", "min", 0), INT_MIN);
  EXPECT_TRUE(back.ReadBool("T", "yes", false));
  EXPECT_FALSE(back.ReadBool("T", "no", true));
  EXPECT_EQ(back.ReadFloat("T", "third", 0), 1.0 / 3.0);
}

TEST(IniDocument, KeepsCommentsOrderAndUnknownLines) {
  const std::string text =
      "; Vilk settings\r\n"
      "Orphan=1\r\n"
      "\r\n"
      "[Main]\r\n"
      "; the port the controller hangs on\r\n"
      "  Port = COM3  \r\n"
      "Expr=a=b=c\r\n"
      "NoEquals\r\n"
      ";Hidden=1\r\n"
      "=nameless\r\n"
      "Dup=first\r\n"
      "dup=second\r\n"
      "[Broken\r\n"
      "\r\n"
      "[ Other ] trailing\r\n"
      "Z=26\r\n";
  const IniDocument doc = FromText(text);
  // Untouched, the document writes back byte for byte.
  EXPECT_EQ(Text(doc), text);

  EXPECT_EQ(doc.Sections(), (std::vector<std::string>{"Main", "Other"}));
  EXPECT_EQ(doc.ReadString("Main", "Port"), "COM3");
  EXPECT_EQ(doc.ReadString("Main", "Expr"), "a=b=c");
  EXPECT_EQ(doc.ReadString("Main", "Dup"), "first");
  EXPECT_FALSE(doc.ValueExists("Main", "NoEquals"));
  EXPECT_FALSE(doc.ValueExists("Main", ";Hidden"));
  EXPECT_FALSE(doc.ValueExists("Main", ""));
  EXPECT_FALSE(doc.ValueExists("Main", "Orphan"));
  EXPECT_EQ(doc.ReadString("Other", "Z"), "26");
  EXPECT_EQ(doc.SectionKeys("Main"), (std::vector<std::string>{"Port", "Expr", "Dup"}));
  EXPECT_EQ(doc.SectionValues("Main"), (std::vector<std::pair<std::string, std::string>>{
                                           {"Port", "COM3"}, {"Expr", "a=b=c"}, {"Dup", "first"}}));
}

TEST(IniDocument, AcceptsLfAndALastLineWithoutNewline) {
  const IniDocument doc = FromText("[A]\nx=1\r\ny=2");
  EXPECT_EQ(doc.ReadString("A", "x"), "1");
  EXPECT_EQ(doc.ReadString("A", "y"), "2");
  EXPECT_EQ(Text(doc), "[A]\r\nx=1\r\ny=2\r\n");

  // Blank lines at the end are lines too and survive.
  EXPECT_EQ(Text(FromText("[A]\n\n\n")), "[A]\r\n\r\n\r\n");
  EXPECT_EQ(Text(FromText("")), "");
}

TEST(IniDocument, NewKeyGoesToTheEndOfItsSection) {
  IniDocument doc = FromText(
      "[A]\r\n"
      "x=1\r\n"
      "\r\n"
      "[B]\r\n"
      "y=2\r\n");
  ASSERT_TRUE(doc.WriteString("a", "z", "3"));
  // Existing key: changed in place, the spelling in the file kept.
  ASSERT_TRUE(doc.WriteString("b", "Y", "5"));
  ASSERT_TRUE(doc.WriteString("C", "k", "v"));
  EXPECT_EQ(Text(doc),
            "[A]\r\n"
            "x=1\r\n"
            "z=3\r\n"
            "\r\n"
            "[B]\r\n"
            "y=5\r\n"
            "\r\n"
            "[C]\r\n"
            "k=v\r\n");
}

TEST(IniDocument, WritesGoToTheFirstOfDuplicates) {
  IniDocument doc = FromText(
      "[A]\n"
      "k=1\n"
      "K=2\n"
      "m=3\n"
      "[B]\n"
      "[a]\n"
      "k=9\n"
      "only=here\n");
  EXPECT_EQ(doc.Sections(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(doc.ReadString("a", "k"), "1");
  // The second [a] is kept but not looked at.
  EXPECT_FALSE(doc.ValueExists("A", "only"));
  EXPECT_EQ(doc.SectionKeys("A"), (std::vector<std::string>{"k", "m"}));

  ASSERT_TRUE(doc.WriteString("A", "K", "7"));
  ASSERT_TRUE(doc.WriteString("A", "new", "x"));
  EXPECT_EQ(Text(doc),
            "[A]\r\n"
            "k=7\r\n"
            "K=2\r\n"
            "m=3\r\n"
            "new=x\r\n"
            "[B]\r\n"
            "[a]\r\n"
            "k=9\r\n"
            "only=here\r\n");
}

TEST(IniDocument, WriteTrimsAndRejectsWhatWouldNotReadBack) {
  IniDocument doc;
  ASSERT_TRUE(doc.WriteString(" A ", " key ", "  v  "));
  EXPECT_EQ(Text(doc), "[A]\r\nkey=v\r\n");
  EXPECT_EQ(doc.ReadString("A", "key"), "v");

  const std::string before = doc.ToBytes();
  EXPECT_FALSE(doc.WriteString("", "k", "v"));
  EXPECT_FALSE(doc.WriteString("  ", "k", "v"));
  EXPECT_FALSE(doc.WriteString("A\nB", "k", "v"));
  EXPECT_FALSE(doc.WriteString("A", "", "v"));
  EXPECT_FALSE(doc.WriteString("A", "a=b", "v"));
  EXPECT_FALSE(doc.WriteString("A", "a\rb", "v"));
  EXPECT_FALSE(doc.WriteString("A", ";k", "v"));
  EXPECT_FALSE(doc.WriteString("A", "[k", "v"));
  EXPECT_FALSE(doc.WriteString("A", "k", "line1\r\nline2"));
  EXPECT_FALSE(doc.WriteString("New", "k", "line1\nline2"));
  EXPECT_EQ(doc.ToBytes(), before);
  EXPECT_FALSE(doc.SectionExists("New"));

  // A value may hold '=' and ';', a section name brackets, and still read back whole.
  ASSERT_TRUE(doc.WriteString("A", "expr", "x=1;y"));
  ASSERT_TRUE(doc.WriteString("Шкаф [1]", "k", "v"));
  IniDocument back;
  back.Parse(doc.ToBytes());
  EXPECT_EQ(back.ReadString("A", "expr"), "x=1;y");
  EXPECT_EQ(back.Sections(), (std::vector<std::string>{"A", "Шкаф [1]"}));
  EXPECT_EQ(back.ReadString("шкаф [1]", "k"), "v");
}

TEST(IniDocument, CharactersOutsideCp1251BecomeQuestionMarks) {
  IniDocument doc;
  ASSERT_TRUE(doc.WriteString("A", "k", "日本"));
  EXPECT_EQ(doc.ToBytes(), "[A]\r\nk=??\r\n");
}

TEST(IniDocument, EraseSectionAndDeleteKey) {
  IniDocument doc = FromText(
      "[A]\n"
      "x=1\n"
      "y=2\n"
      "X=3\n"
      "[B]\n"
      "z=4\n"
      "[a]\n"
      "w=5\n"
      "[C]\n"
      "v=6\n");
  EXPECT_TRUE(doc.DeleteKey("a", "x"));  // with its duplicate
  EXPECT_FALSE(doc.ValueExists("A", "x"));
  EXPECT_FALSE(doc.DeleteKey("A", "x"));
  EXPECT_FALSE(doc.DeleteKey("Nowhere", "y"));
  EXPECT_EQ(Text(doc), "[A]\r\ny=2\r\n[B]\r\nz=4\r\n[a]\r\nw=5\r\n[C]\r\nv=6\r\n");

  EXPECT_TRUE(doc.EraseSection("A"));  // both [A] and [a]
  EXPECT_FALSE(doc.SectionExists("a"));
  EXPECT_FALSE(doc.EraseSection("A"));
  EXPECT_EQ(doc.Sections(), (std::vector<std::string>{"B", "C"}));
  EXPECT_EQ(doc.ReadString("C", "v"), "6");  // lookups still right after the shift
  EXPECT_EQ(Text(doc), "[B]\r\nz=4\r\n[C]\r\nv=6\r\n");

  // A section written again after erasing comes back at the end.
  ASSERT_TRUE(doc.WriteString("A", "x", "7"));
  EXPECT_EQ(doc.Sections(), (std::vector<std::string>{"B", "C", "A"}));
  EXPECT_EQ(Text(doc), "[B]\r\nz=4\r\n[C]\r\nv=6\r\n\r\n[A]\r\nx=7\r\n");

  doc.Clear();
  EXPECT_TRUE(doc.Sections().empty());
  EXPECT_EQ(doc.ToBytes(), "");
}

TEST(IniDocument, MissingFileGivesAnEmptyDocument) {
  TempPath file("missing.ini");
  IniDocument doc = FromText("[A]\nx=1\n");
  std::string error;
  EXPECT_FALSE(doc.LoadFile(file.str(), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(doc.Sections().empty());
  EXPECT_EQ(doc.ToBytes(), "");
  EXPECT_EQ(doc.ReadInteger("A", "x", -1), -1);
  EXPECT_FALSE(doc.LoadFile(file.str()));  // no error text wanted: still no crash

  // The empty document is usable: writing and saving create the file.
  ASSERT_TRUE(doc.WriteBool("A", "x", true));
  ASSERT_TRUE(doc.SaveFile(file.str(), &error)) << error;
  EXPECT_EQ(ReadRaw(file.str()), "[A]\r\nx=1\r\n");
}

TEST(IniDocument, SaveIntoAMissingFolderFails) {
  IniDocument doc = FromText("[A]\nx=1\n");
  std::string error;
  EXPECT_FALSE(doc.SaveFile(::testing::TempDir() + "vilk_no_such_dir/x/Vilk.ini", &error));
  EXPECT_FALSE(error.empty());
}

// Keys are found through an index kept with every change: thousands of keys read back,
// a deleted key takes its line away without disturbing the others, a parsed file indexes
// the first of repeated keys, and keys added before a section's closing blank lines stay found.
TEST(IniDocument, KeyIndexFollowsEveryChange) {
  IniDocument ini;
  for (int i = 0; i < 3000; ++i)
    ASSERT_TRUE(ini.WriteString("Список ТС", Format("$%4.4x", i), Format("Имя %d", i)));
  ini.WriteString("Другая", "k", "v");
  for (int i = 0; i < 3000; i += 7)
    EXPECT_EQ(ini.ReadString("список тс", Format("$%4.4X", i)), Format("Имя %d", i));
  EXPECT_TRUE(ini.DeleteKey("Список ТС", "$0005"));
  EXPECT_FALSE(ini.ValueExists("Список ТС", "$0005"));
  EXPECT_EQ(ini.ReadString("Список ТС", "$0006"), "Имя 6");
  EXPECT_EQ(ini.ReadString("Список ТС", "$0bb7"), "Имя 2999");
  ASSERT_TRUE(ini.WriteString("Список ТС", "$0005", "снова"));
  EXPECT_EQ(ini.ReadString("Список ТС", "$0005"), "снова");
  EXPECT_EQ(ini.ReadString("Другая", "K"), "v");

  IniDocument parsed;
  parsed.Parse("[a]\r\nx=1\r\nX=2\r\n\r\n[b]\r\ny=3\r\n");
  EXPECT_EQ(parsed.ReadString("a", "x"), "1");
  ASSERT_TRUE(parsed.WriteString("a", "z", "4"));
  EXPECT_EQ(parsed.ReadString("a", "z"), "4");
  EXPECT_EQ(parsed.ReadString("b", "y"), "3");
  EXPECT_EQ(parsed.ToBytes(), "[a]\r\nx=1\r\nX=2\r\nz=4\r\n\r\n[b]\r\ny=3\r\n");
}

}  // namespace
}  // namespace vilk
