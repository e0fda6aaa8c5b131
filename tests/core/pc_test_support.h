#pragma once
// Shared by the PC tests and the export command tests: a configuration with the real PC
// item under the IP port and a stand-in port that owns signals of all six kinds with
// names given by the test, plus helpers for files, code page 1251 and the outside
// readers (xmllint, Python's configparser) that check the exported files.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "ports/telemechanics/pc.h"
#include "test_items.h"

namespace vilk::test {

constexpr int kSourcePortCode = kTcpPortCode;

// A port that owns one list of each kind, in the order ТС ТУ ТИ ТИИ ТР МТС, holding
// signals with exactly the names the test gives (no owner part). Its record is the
// version and the six lists, which carry the names, so it survives save and load.
class SourcePort : public TPort {
 public:
  explicit SourcePort(Configuration& config) : TPort(config) {
    SetName("Источник");
    Number = 1;
    BoardMask = kMaskCom;
    ImageIndex = 15;
    SetIcon(0);
    Menu = PopupMenu::Delete;
    for (int kind : {kKindTS, kKindTU, kKindTI, kKindTII, kKindTR, kKindMTS})
      config.Append(this, MakeParams(config, kind, kRoleOwn, this));
  }

  TParams* Own(int kind) const {
    for (int i = 0; i < ChildCount(); ++i)
      if (TParams* list = Child(i)->AsParams(); list->SignalKind == kind) return list;
    return nullptr;
  }
  TParam* Signal(int kind, int index) const { return Own(kind)->At(index); }
  void SetNames(int kind, const std::vector<std::string>& names) {
    Own(kind)->Rebuild(NameListSource(names), 0, "");
  }

  void SaveToImage(TConfig& cfg) override {
    const std::size_t start = cfg.BeginBlock(BlockId());
    WriteVersion(cfg);
    for (int i = 0; i < ChildCount(); ++i) Child(i)->SaveToImage(cfg);
    cfg.EndBlock(start);
  }
  void LoadFromImage(TConfig& cfg) override {
    const std::size_t end = OwnBlockEnd(cfg);
    if (!ReadVersion(cfg)) return;
    int id;
    while ((id = PeekChild(cfg, end)) != kNoBlock) {
      const int kind = SignalKindOfBlock(id);
      if (!kind) break;
      LoadChild(cfg, Own(kind));
    }
  }
};

// Registers only the stand-in source port: code 202 under the IP port stays the real PC.
class WithRealPC : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTestPort(kSourcePortCode, 6, Made<SourcePort>()); }
  void TearDown() override { ResetKindRegistry(); }

  TPC* AddPC(Configuration& c) {
    auto* pc = dynamic_cast<TPC*>(c.Controller().PortIP()->AddChild(kPcCode));
    EXPECT_NE(pc, nullptr) << "code 202 under the IP port must make the real PC";
    c.Storage().RebuildPool();
    return pc;
  }

  // A source port appended as the last port, its lists filled, the pool rebuilt.
  SourcePort* AddSource(Configuration& c,
                        std::initializer_list<std::pair<int, std::vector<std::string>>> lists) {
    auto made = MakePort(c, kSourcePortCode);
    auto* port = static_cast<SourcePort*>(c.Append(c.Controller().Proc(), std::move(made)));
    port->UpdateCaption();
    for (const auto& [kind, names] : lists) port->SetNames(kind, names);
    c.Storage().RebuildPool();
    return port;
  }
};

// UTF-8 to code page 1251 for the characters the tests use (ASCII and Russian letters),
// written out from the code page table; anything else fails the test.
inline std::string Cp1251(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if ((c & 0xE0) != 0xC0 || i + 1 >= utf8.size()) {
      ADD_FAILURE() << "no cp1251 spelling for the text at byte " << i;
      return out;
    }
    const unsigned cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
    if (cp >= 0x410 && cp <= 0x44F)
      out += static_cast<char>(0xC0 + (cp - 0x410));  // А..я
    else if (cp == 0x401)
      out += '\xA8';  // Ё
    else if (cp == 0x451)
      out += '\xB8';  // ё
    else
      ADD_FAILURE() << "no cp1251 spelling for U+" << std::hex << cp;
    i += 2;
  }
  return out;
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteText(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Entries of a folder, to see that nothing was left behind.
inline std::vector<std::string> FolderEntries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

inline bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

struct CommandResult {
  bool Ok = false;  // exited with status 0
  std::string Out;
};

// Runs a shell command and collects its standard output.
inline CommandResult Capture(const std::string& command) {
  CommandResult r;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf{};
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.Out.append(buf.data(), n);
  const int status = ::pclose(p);
  r.Ok = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}

inline std::string Quote(const std::string& path) {
  return "'" + path + "'";
}

// xmllint (Debian libxml2-utils) parses the file; skipped where it is not installed.
inline void ExpectWellFormedXml(const std::string& path) {
  if (!HaveTool("xmllint")) {
    std::cout << "[   NOTE   ] xmllint is not installed; XML parse check skipped\n";
    return;
  }
  const CommandResult r = Capture("xmllint --noout " + Quote(path) + " 2>&1");
  EXPECT_TRUE(r.Ok) << "xmllint refused " << path << ":\n" << r.Out;
}

// An XPath string expression over the file gives `expected` (UTF-8; xmllint decodes the
// file's code page). Skipped where xmllint is not installed.
inline void ExpectXPath(const std::string& path, const std::string& expr,
                        const std::string& expected) {
  if (!HaveTool("xmllint")) return;
  CommandResult r = Capture("xmllint --xpath " + Quote(expr) + " " + Quote(path) + " 2>&1");
  ASSERT_TRUE(r.Ok) << expr << ": " << r.Out;
  if (!r.Out.empty() && r.Out.back() == '\n') r.Out.pop_back();
  EXPECT_EQ(r.Out, expected) << expr;
}

// Python's configparser reads the file as cp1251 (strict: a section or key twice is an
// error) and lists "section|key|value" lines, which must be `expected`. Skipped where
// python3 is not installed.
inline void ExpectConfigParserReads(const std::string& path, const std::string& expected) {
  if (!HaveTool("python3")) {
    std::cout << "[   NOTE   ] python3 is not installed; INI parse check skipped\n";
    return;
  }
  const char* script =
      "import configparser, sys\n"
      "p = configparser.ConfigParser(interpolation=None, strict=True)\n"
      "p.optionxform = str\n"
      "with open(sys.argv[1], encoding='cp1251') as f:\n"
      "    p.read_file(f)\n"
      "for s in p.sections():\n"
      "    for k, v in p.items(s):\n"
      "        print(s + '|' + k + '|' + v)\n";
  const std::string scriptPath = path + ".check.py";
  WriteText(scriptPath, script);
  const CommandResult r =
      Capture("PYTHONIOENCODING=utf-8 python3 " + Quote(scriptPath) + " " + Quote(path) + " 2>&1");
  std::remove(scriptPath.c_str());
  ASSERT_TRUE(r.Ok) << "configparser refused " << path << ":\n" << r.Out;
  EXPECT_EQ(r.Out, expected);
}

}  // namespace vilk::test
