// vilkcfg templates: the library of a home folder, one line per device type.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>

#include "../core/file_faults.h"
#include "base/text.h"
#include "cli.h"

namespace vilk {
namespace {

namespace fs = std::filesystem;

class TemplatesCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(home / "MODBUS");
    fs::create_directory(home / "IEC_103");
  }
  void TearDown() override { ::unsetenv("VILK_HOME"); }

  void Write(const std::string& file, const std::string& utf8) {
    std::string crlf;
    for (char c : utf8) {
      if (c == '\n') crlf += '\r';
      crlf += c;
    }
    const std::string bytes = Utf8ToCp1251(crlf);
    test::WriteAll(home / file, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    args.insert(args.begin(), "templates");
    return cli::Run(args, out, err);
  }

  test::ScratchFolder home;
  std::ostringstream out, err;
};

TEST_F(TemplatesCliTest, OneLinePerTypeWithItsFileAndUsedRows) {
  Write("MODBUS/sepam.ini",
        "[Устройства]\nSepam 20=\n[Таблица ТС]\n1_Количество=16\n3_Количество=$10\n"
        "[Таблица ТИ]\n1_Количество=2\n2_Количество=0\n8_Количество=1\n"
        "[Таблица ТР]\n1_Функция=6\n");
  Write("MODBUS/mip.ini", "[Устройства]\nМИП-2=\nАльфа=\n[Таблица ТУ]\n4_Количество=1\n");
  ASSERT_EQ(Run({"--home", home.Path()}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "Sepam 20\tsepam.ini\tТС=2 ТУ=0 ТИ=2 ТР=0\n"
            "Альфа\tmip.ini\tТС=0 ТУ=1 ТИ=0 ТР=0\n"
            "МИП-2\tmip.ini\tТС=0 ТУ=1 ТИ=0 ТР=0\n");
  EXPECT_EQ(err.str(), "");
}

TEST_F(TemplatesCliTest, RefusedValuesAndRepeatedTypesAreReportedOnce) {
  Write("MODBUS/a.ini", "[Устройства]\nA1=\nA2=\n[Таблица ТС]\n1_Количество=300\n2_Количество=1\n");
  Write("MODBUS/b.ini", "[Устройства]\nA2=\nB=\n");
  EXPECT_EQ(Run({"--home", home.Path()}), 0);
  EXPECT_EQ(out.str(),
            "A1\ta.ini\tТС=1 ТУ=0 ТИ=0 ТР=0\n"
            "A2\ta.ini\tТС=1 ТУ=0 ТИ=0 ТР=0\n"
            "B\tb.ini\tТС=0 ТУ=0 ТИ=0 ТР=0\n");
  EXPECT_EQ(err.str(),
            "Устройство A2 описано в файлах a.ini и b.ini; взято описание из a.ini.\n"
            "Шаблон a.ini: значение 1_Количество=300 в разделе [Таблица ТС] вне пределов "
            "0..255. Оставлено значение по умолчанию 0.\n");
}

TEST_F(TemplatesCliTest, AFileThatCannotBeReadOrNoFolderIsAFailure) {
  Write("MODBUS/a.ini", "[Устройства]\nA=\n");
  fs::create_directory(home / "MODBUS/b.ini");
  EXPECT_EQ(Run({"--home", home.Path()}), 1);
  EXPECT_EQ(out.str(), "A\ta.ini\tТС=0 ТУ=0 ТИ=0 ТР=0\n");
  EXPECT_EQ(err.str(), "Шаблон " + (home / "MODBUS/b.ini") + " не прочитан: это не файл.\n");

  EXPECT_EQ(Run({"--home", home / "nowhere"}), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "Нет папки шаблонов " + (home / "nowhere/MODBUS") + "\n");
}

TEST_F(TemplatesCliTest, Iec103TablesAreCountedByEntries) {
  Write("IEC_103/sirius.ini",
        "[Устройства]\nСириус=\n[Таблица ТС]\nТС_1=160 16\nТС_2=\nТС_3=160 17\n"
        "[Таблица ТИ]\nТИ_1=1 2 3\n[Таблица ТУ]\nТУ_1=\n");
  Write("MODBUS/a.ini", "[Устройства]\nA=\n");
  ASSERT_EQ(Run({"--iec103", "--home", home.Path()}), 0) << err.str();
  EXPECT_EQ(out.str(), "Сириус\tsirius.ini\tТС=2 ТУ=0 ТИ=1\n");
}

TEST_F(TemplatesCliTest, TheHomeFolderComesFromTheEnvironmentUnlessGiven) {
  Write("MODBUS/a.ini", "[Устройства]\nA=\n");
  ::setenv("VILK_HOME", home.Path().c_str(), 1);
  ASSERT_EQ(Run({}), 0) << err.str();
  EXPECT_EQ(out.str(), "A\ta.ini\tТС=0 ТУ=0 ТИ=0 ТР=0\n");
  EXPECT_EQ(Run({"--home", home / "MODBUS"}), 1);  // --home wins: no MODBUS/MODBUS
}

TEST_F(TemplatesCliTest, UsageErrors) {
  EXPECT_EQ(Run({"--home"}), 2);
  EXPECT_EQ(err.str(), "vilkcfg: --home needs a folder\nTry 'vilkcfg --help'.\n");
  EXPECT_EQ(Run({"--modbus"}), 2);
  EXPECT_EQ(err.str(), "vilkcfg: unknown option --modbus\nTry 'vilkcfg --help'.\n");
  EXPECT_EQ(Run({"x.ini"}), 2);
  EXPECT_EQ(err.str(), "vilkcfg: templates takes no file\nTry 'vilkcfg --help'.\n");
  std::ostringstream help, none;
  ASSERT_EQ(cli::Run({"--help"}, help, none), 0);
  EXPECT_NE(help.str().find("vilkcfg templates [--home DIR] [--iec103]"), std::string::npos);
  EXPECT_NE(help.str().find("type <TAB> file <TAB>"), std::string::npos);
}

}  // namespace
}  // namespace vilk
