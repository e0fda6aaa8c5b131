// The fast paths of the MIB line splitter and keyword search against plain character-by-
// character versions, over texts made to hit every block boundary.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "snmp/mib.h"
#include "snmp/mib_scan.h"

namespace vilk {
namespace {

using mib_scan::FindWord;

struct PlainLine {
  std::string Raw, Code;
  std::vector<MibLine::Piece> Strings;
  bool Blank = true, CodeBlank = true;
};

// One character at a time: tabs as blanks, quoted text kept in Raw and blanked in Code,
// "--" outside quotes ends the line's content; lines end at LF, CR LF or CR.
std::vector<PlainLine> SplitPlainly(const std::string& text) {
  std::vector<PlainLine> lines;
  bool inString = false;
  std::size_t i = 0;
  while (i < text.size()) {
    PlainLine line;
    if (inString) line.Strings.push_back({0, 0, false, false});
    bool comment = false;
    for (; i < text.size() && text[i] != '\n' && text[i] != '\r'; ++i) {
      const char c = text[i];
      if (comment) continue;
      if (c == '\t') {
        line.Raw += ' ';
        line.Code += ' ';
      } else if (c == '"') {
        if (inString) {
          line.Strings.back().End = line.Raw.size();
          line.Strings.back().Closes = true;
        } else {
          line.Strings.push_back({line.Raw.size() + 1, 0, true, false});
        }
        inString = !inString;
        line.Raw += c;
        line.Code += ' ';
        line.Blank = false;
      } else if (c == '-' && !inString && i + 1 < text.size() && text[i + 1] == '-') {
        comment = true;
      } else {
        line.Raw += c;
        line.Code += inString ? ' ' : c;
        if (c != ' ') {
          line.Blank = false;
          if (!inString) line.CodeBlank = false;
        }
      }
    }
    if (inString) line.Strings.back().End = line.Raw.size();
    lines.push_back(line);
    if (i < text.size())
      i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
  }
  return lines;
}

std::string RandomText(std::mt19937& rng, std::size_t size) {
  // Mostly letters and blanks, with every character the splitter treats apart.
  static const char kChars[] = "aZ0 ::=  {}-\"\t\n\r,.()xyz   ";
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
  std::uniform_int_distribution<int> run(0, 40);
  std::string text;
  while (text.size() < size) {
    const char c = kChars[pick(rng)];
    // Long plain runs too, so that whole blocks pass without a special character.
    text.append(c == 'a' ? static_cast<std::size_t>(run(rng)) : 1, c);
  }
  return text;
}

TEST(MibScanTest, LineSplitterAgreesWithThePlainOne) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 400; ++round) {
    const std::string text = RandomText(rng, static_cast<std::size_t>(round) * 3);
    const MibText split(text);
    const std::vector<PlainLine> expected = SplitPlainly(text);
    ASSERT_EQ(split.Lines().size(), expected.size()) << text;
    for (std::size_t n = 0; n < expected.size(); ++n) {
      const MibLine& got = split.Lines()[n];
      const PlainLine& want = expected[n];
      ASSERT_EQ(got.Raw, want.Raw) << "round " << round << " line " << n;
      ASSERT_EQ(got.Code, want.Code) << "round " << round << " line " << n;
      ASSERT_EQ(got.Blank, want.Blank) << "round " << round << " line " << n;
      ASSERT_EQ(got.CodeBlank, want.CodeBlank) << "round " << round << " line " << n;
      ASSERT_EQ(got.Strings.size(), want.Strings.size()) << "round " << round << " line " << n;
      for (std::size_t k = 0; k < want.Strings.size(); ++k) {
        EXPECT_EQ(got.Strings[k].Begin, want.Strings[k].Begin);
        EXPECT_EQ(got.Strings[k].End, want.Strings[k].End);
        EXPECT_EQ(got.Strings[k].Opens, want.Strings[k].Opens);
        EXPECT_EQ(got.Strings[k].Closes, want.Strings[k].Closes);
      }
    }
  }
}

// Lines that stay views into the text and lines inside a long quoted text: their Code is
// blanks as long as the line, whatever the longest such line is.
TEST(MibScanTest, QuotedLinesOfEveryLength) {
  std::string text = "x DESCRIPTION \"\n";
  for (int n = 0; n < 70; ++n) text += std::string(static_cast<std::size_t>(n), 'q') + "\n";
  text += "end\" -- done\n  ::= { a 1 }";
  const MibText split(text);
  const auto& lines = split.Lines();
  ASSERT_EQ(lines.size(), 73u);
  for (std::size_t n = 1; n <= 70; ++n) {
    EXPECT_EQ(lines[n].Raw, std::string(n - 1, 'q'));
    EXPECT_EQ(lines[n].Code, std::string(n - 1, ' '));
    EXPECT_TRUE(lines[n].CodeBlank);
    EXPECT_EQ(lines[n].Blank, n == 1);
  }
  EXPECT_EQ(lines[71].Code, "     ");  // "end", the quote and one blank
  EXPECT_EQ(lines[72].Code, "  ::= { a 1 }");
}

std::size_t FindWordPlainly(std::string_view s, std::string_view w, std::size_t from, bool ci) {
  const auto ident = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
  };
  const auto same = [&](char a, char b) {
    return ci ? std::tolower(static_cast<unsigned char>(a)) ==
                    std::tolower(static_cast<unsigned char>(b))
              : a == b;
  };
  for (std::size_t i = from; i + w.size() <= s.size(); ++i) {
    bool match = true;
    for (std::size_t k = 0; k < w.size() && match; ++k) match = same(s[i + k], w[k]);
    if (!match || (i > 0 && ident(s[i - 1])) || (i + w.size() < s.size() && ident(s[i + w.size()])))
      continue;
    return i;
  }
  return std::string::npos;
}

TEST(MibScanTest, WordSearchAgreesWithThePlainOne) {
  std::mt19937 rng(777);
  // Letters that differ only in bit 5 from the searched ones ('@' and '`' against 'A'/'a'
  // style folds) must not match.
  static const char kChars[] = "sSyYnNtTaAxX@`[{ -_0";
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
  const char* const kWords[] = {"SYNTAX", "syntax", "S", "Sy", "ACCESS", "MAX-ACCESS", "@`", "{ "};
  for (int round = 0; round < 3000; ++round) {
    std::string s;
    const std::size_t size = static_cast<std::size_t>(round % 70);
    while (s.size() < size) s += kChars[pick(rng)];
    if (round % 3 == 0 && size > 8) s.replace(size / 2, 6, "SyNtAx");
    for (const char* w : kWords)
      for (bool ci : {false, true})
        for (std::size_t from : {std::size_t{0}, std::size_t{1}, size / 2, size})
          ASSERT_EQ(FindWord(s, w, from, ci), FindWordPlainly(s, w, from, ci))
              << "'" << s << "' '" << w << "' from " << from << " ci " << ci;
  }
}

TEST(MibScanTest, Utf8CheckAcrossBlocks) {
  std::string text(40, 'a');
  EXPECT_TRUE(mib_scan::IsValidUtf8(text));
  for (std::size_t at : {0u, 15u, 16u, 17u, 31u, 38u, 39u}) {
    std::string bad = text;
    bad[at] = '\xC0';  // never valid in UTF-8
    EXPECT_FALSE(mib_scan::IsValidUtf8(bad)) << at;
    std::string good = text;
    good.replace(at, 1, "\xD0\x96");  // Ж
    EXPECT_TRUE(mib_scan::IsValidUtf8(good)) << at;
    std::string cut = text.substr(0, at) + "\xD0";  // a sequence cut by the end
    EXPECT_FALSE(mib_scan::IsValidUtf8(cut)) << at;
  }
}

}  // namespace
}  // namespace vilk
