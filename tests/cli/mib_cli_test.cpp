// vilkcfg mib: the identifier list and the tree, messages on stderr, exit status.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cstdio>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"

namespace vilk {
namespace {

namespace fs = std::filesystem;

const std::string kStandard = std::string(VILK_TEST_DATA) + "/mibs";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

class MibCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::path(::testing::TempDir()) /
          (std::string("vilkcfg_mib_") + info->name() + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::remove_all(dir);
    ::unsetenv("VILK_HOME");
  }

  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name) << text;
    return (dir / name).string();
  }

  fs::path dir;
  std::ostringstream out, err;
};

TEST_F(MibCliTest, ListsEveryIdentifierOfIfMibAndItsImports) {
  ASSERT_EQ(Run({"mib", "--mib-dir", kStandard, kStandard + "/IF-MIB"}), 0);
  const std::vector<std::string> lines = Lines(out.str());
  // The root, then the 178 names snmptranslate -Tz lists for these files.
  ASSERT_EQ(lines.size(), 179u);
  EXPECT_EQ(lines[0], "iso\t1\tOID");
  EXPECT_EQ(lines[1], "org\t1.3\tOID");
  // The last definition of the file: ifCompliance2 ::= { ifCompliances 2 }.
  EXPECT_EQ(lines.back(), "ifCompliance2\t1.3.6.1.2.1.31.2.2.2\tMODULE-COMPLIANCE");
  for (const char* line :
       {"ifMIB\t1.3.6.1.2.1.31\tMODULE-IDENTITY", "ifTable\t1.3.6.1.2.1.2.2\tOBJECT TABLE",
        "ifEntry\t1.3.6.1.2.1.2.2.1\tTABLE ENTRY", "ifInOctets\t1.3.6.1.2.1.2.2.1.10\tOBJECT-TYPE",
        "interfaces\t1.3.6.1.2.1.2\tOID", "linkDown\t1.3.6.1.6.3.1.1.5.3\tNOTIFICATION-TYPE",
        "ifCompliance3\t1.3.6.1.2.1.31.2.2.3\tMODULE-COMPLIANCE",
        "zeroDotZero\t0.0\tOBJECT-IDENTITY"})
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
  const std::vector<std::string> messages = Lines(err.str());
  ASSERT_EQ(messages.size(), 9u);
  EXPECT_EQ(messages[0], kStandard + "/IF-MIB");
  EXPECT_EQ(messages[1], kStandard + "/SNMPv2-SMI");
  EXPECT_EQ(messages[8], "Модуль: ifMIB");
}

TEST_F(MibCliTest, TreeOfASmallModule) {
  const std::string file =
      Write("SMALL-MIB",
            "SMALL-MIB DEFINITIONS ::= BEGIN\n"
            "IMPORTS MODULE-IDENTITY, OBJECT-TYPE, Counter32, enterprises FROM SNMPv2-SMI;\n"
            "smallMIB MODULE-IDENTITY ::= { enterprises 4242 }\n"
            "smallCount OBJECT-TYPE SYNTAX Counter32 MAX-ACCESS read-only\n"
            "    ::= { smallMIB 1 }\n"
            "smallTable OBJECT-TYPE SYNTAX SEQUENCE OF SmallEntry\n"
            "    MAX-ACCESS not-accessible ::= { smallMIB 2 }\n"
            "smallEntry OBJECT-TYPE SYNTAX SmallEntry\n"
            "    MAX-ACCESS not-accessible ::= { smallTable 1 }\n"
            "SmallEntry ::= SEQUENCE { smallIn Counter32, smallOut Counter32 }\n"
            "smallIn OBJECT-TYPE SYNTAX Counter32 MAX-ACCESS read-only\n"
            "    ::= { smallEntry 1 }\n"
            "smallOut OBJECT-TYPE SYNTAX Counter32 MAX-ACCESS read-only\n"
            "    ::= { smallEntry 2 }\n"
            "END\n");
  ASSERT_EQ(Run({"mib", "--mib-dir", kStandard, "--tree", file}), 0);
  EXPECT_EQ(out.str(),
            "SMALL-MIB\n"
            "  SMALL-MIB\n"
            "    smallCount\t1.3.6.1.4.1.4242.1\n"
            "    smallTable\t1.3.6.1.4.1.4242.2\n"
            "      1\n"
            "        smallIn[1]\t1.3.6.1.4.1.4242.2.1.1.1\n"
            "        smallOut[1]\t1.3.6.1.4.1.4242.2.1.2.1\n");
  EXPECT_EQ(Lines(err.str()),
            (std::vector<std::string>{file, kStandard + "/SNMPv2-SMI", "Модуль: smallMIB"}));
}

TEST_F(MibCliTest, ImportsFromTheHomeFoldersMibsByDefault) {
  fs::create_directories(dir / "home" / "MIBs");
  fs::copy_file(kStandard + "/SNMPv2-SMI", dir / "home" / "MIBs" / "SNMPv2-SMI");
  const std::string file = Write("HOME-MIB",
                                 "HOME-MIB DEFINITIONS ::= BEGIN\n"
                                 "IMPORTS enterprises FROM SNMPv2-SMI;\n"
                                 "homeRoot OBJECT IDENTIFIER ::= { enterprises 77 }\n"
                                 "END\n");
  ::setenv("VILK_HOME", (dir / "home").c_str(), 1);
  ASSERT_EQ(Run({"mib", file}), 0);
  EXPECT_EQ(Lines(out.str()).back(), "homeRoot\t1.3.6.1.4.1.77\tOID");
  EXPECT_EQ(err.str().find("ошибка"), std::string::npos) << err.str();

  // An explicit folder wins; without the module there the import fails, reading goes on.
  ASSERT_EQ(Run({"mib", "--mib-dir", dir.string(), file}), 0);
  EXPECT_EQ(out.str(), "iso\t1\tOID\n");
  EXPECT_EQ(Lines(err.str()),
            (std::vector<std::string>{file, "----- ошибка: SNMPv2-SMI файл не найден ",
                                      "----- ошибка: HOME-MIB строка 3"}));
}

TEST_F(MibCliTest, RefusalsAndUsage) {
  EXPECT_EQ(Run({"mib", (dir / "NOSUCH-MIB").string()}), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "----- ошибка: NOSUCH-MIB файл не найден \n");

  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"mib"},
                                             {"mib", "a", "b"},
                                             {"mib", "--mib-dir"},
                                             {"mib", "--bogus", "x"},
                                             {"mib", "--tree"}}) {
    EXPECT_EQ(Run(args), 2) << args.size();
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("Try 'vilkcfg --help'."), std::string::npos);
  }
  ASSERT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out.str().find("vilkcfg mib [--mib-dir DIR] FILE"), std::string::npos);
  EXPECT_NE(out.str().find("vilkcfg mib [--mib-dir DIR] --tree FILE"), std::string::npos);
}

TEST_F(MibCliTest, TheProgramItself) {
  const std::string cmd = std::string(VILKCFG_PATH) + " mib --mib-dir '" + kStandard + "' '" +
                          kStandard + "/SNMPv2-SMI' > '" + (dir / "out.txt").string() + "' 2> '" +
                          (dir / "err.txt").string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream in(dir / "out.txt");
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  const std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[6], "mib-2\t1.3.6.1.2.1\tOID");
  EXPECT_EQ(lines[16], "zeroDotZero\t0.0\tOBJECT-IDENTITY");
  const std::string missing =
      std::string(VILKCFG_PATH) + " mib '" + (dir / "x").string() + "' 2>/dev/null";
  EXPECT_EQ(WEXITSTATUS(std::system(missing.c_str())), 1);
  // Output that cannot be written (a full device) fails the command.
  const std::string full = std::string(VILKCFG_PATH) + " mib --mib-dir '" + kStandard + "' '" +
                           kStandard + "/SNMPv2-SMI' > /dev/full 2>/dev/null";
  EXPECT_EQ(WEXITSTATUS(std::system(full.c_str())), 1);
}

// A whole folder in one run: each file as the single-file command reads it, after its path.
TEST_F(MibCliTest, EveryModuleOfAFolder) {
  ASSERT_EQ(Run({"mib", "--mib-dir", kStandard, kStandard + "/IF-MIB"}), 0);
  const std::string single = out.str();
  ASSERT_EQ(Run({"mib", "--all", kStandard}), 0) << err.str();
  const std::string all = out.str();
  const std::string header = "# " + kStandard + "/IF-MIB\n";
  const std::size_t at = all.find(header);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(all.substr(at + header.size(), single.size()), single);
  int files = 0;
  for (const auto& e : fs::directory_iterator(kStandard)) files += e.is_regular_file();
  EXPECT_EQ(static_cast<int>(std::count(all.begin(), all.end(), '#')), files);
  EXPECT_EQ(Run({"mib", "--all", (dir / "none").string()}), 1);
  EXPECT_NE(err.str().find("Не удалось прочитать папку"), std::string::npos);
  EXPECT_EQ(Run({"mib", "--all", kStandard, "extra"}), 2);
}

// The offline commands start without Qt: the program links none of it (its controller
// commands run in vilkcfg-link).
TEST(VilkcfgProgramTest, LinksNoQt) {
  const std::string cmd = std::string("ldd '") + VILKCFG_PATH + "' 2>&1";
  FILE* pipe = ::popen(cmd.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string text;
  char buf[512];
  while (std::fgets(buf, sizeof buf, pipe)) text += buf;
  const int status = ::pclose(pipe);
  // A release build is linked statically; a sanitizer build links the C library shared.
  if (text.find("not a dynamic executable") == std::string::npos) {
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("libc.so"), std::string::npos) << text;
  }
  EXPECT_EQ(text.find("libQt"), std::string::npos) << text;
}

}  // namespace
}  // namespace vilk
