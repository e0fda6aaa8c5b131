// The device template library: reading the folder, looking types up, reading a Modbus
// template into a device, and saving and deleting templates (what reaches the disk, and
// that a refused or failed write leaves library and disk as they were).
#include "ports/fieldbus/templates.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/text.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "file_faults.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "ports/fieldbus/modbus.h"
#include "ports/fieldbus/modbus_template.h"
#include "signals/params.h"

namespace vilk {
namespace {

namespace fs = std::filesystem;

// Template text as a file holds it: cp1251, CR LF.
std::vector<std::uint8_t> FileBytes(const std::string& utf8) {
  std::string crlf;
  for (char c : utf8) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  const std::string bytes = Utf8ToCp1251(crlf);
  return {bytes.begin(), bytes.end()};
}

std::string Repeat(const std::string& text, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += text;
  return out;
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

IniDocument Doc(const std::string& utf8) {
  IniDocument doc;
  const std::vector<std::uint8_t> bytes = FileBytes(utf8);
  doc.Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return doc;
}

class TemplateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The devices made here name their signals without a library.
    SetTemplateHome("");
    ModbusTemplates().Reset();
    fs::create_directory(Folder());
  }
  void TearDown() override { ModbusTemplates().Reset(); }

  std::string Folder() const { return home / "MODBUS"; }
  std::string PathOf(const std::string& file) const { return Folder() + "/" + file; }
  void Write(const std::string& file, const std::string& utf8) {
    test::WriteAll(PathOf(file), FileBytes(utf8));
  }
  std::string Read(const std::string& file) const {
    const std::vector<std::uint8_t> bytes = test::ReadAll(PathOf(file));
    return Cp1251ToUtf8(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  bool Load() { return library.Load(home.Path(), messages); }

  // A device on port 3, number 5, without a type; its lists follow its tables.
  TRTU* NewDevice() {
    auto* port = static_cast<TPortMODBUS*>(
        config.Append(config.Controller().Proc(), MakePort(config, kPortMODBUS)));
    port->Renumber(3);
    return port->AddDevice(5, "");
  }

  test::ScratchFolder home;
  TemplateLibrary library{"MODBUS"};
  RecordingMessages messages;
  RecordingMessages configMessages;
  Configuration config{configMessages};
};

// --- the library ---

TEST_F(TemplateTest, EveryIniFileInNameOrderWithItsDevices) {
  Write("b.ini", "[Устройства]\nМИП-2=\nМИП-3=\n[Таблица ТС]\n1_Количество=4\n");
  Write("a.ini", "[Устройства]\nSepam=\n");
  Write("C.INI", "[Устройства]\nЩит=\n");
  Write("notes.txt", "[Устройства]\nЛишний=\n");
  Write("empty.ini", "; no devices\n");
  ASSERT_TRUE(Load());
  EXPECT_TRUE(library.FolderFound());
  EXPECT_TRUE(messages.Errors.empty());

  EXPECT_EQ(library.DeviceNames(), (std::vector<std::string>{"Sepam", "МИП-2", "МИП-3", "Щит"}));
  EXPECT_EQ(library.FileNames(),
            (std::vector<std::string>{"C.INI", "a.ini", "b.ini", "empty.ini"}));
  EXPECT_EQ(library.FileOf("МИП-3"), "b.ini");
  EXPECT_EQ(library.FileOf("мип-3"), "b.ini");  // as INI keys: letter case does not count
  EXPECT_EQ(library.FileOf("Лишний"), "");

  // Find hands out the file held in memory and makes it the current template.
  EXPECT_TRUE(library.Current().Sections().empty());
  const IniDocument* tpl = library.Find("МИП-2");
  ASSERT_NE(tpl, nullptr);
  EXPECT_EQ(tpl, library.File("b.ini"));
  EXPECT_EQ(tpl->ReadInteger("Таблица ТС", "1_Количество", 0), 4);
  EXPECT_EQ(&library.Current(), tpl);
  EXPECT_EQ(library.Find("Нет такого"), nullptr);
  EXPECT_EQ(library.CurrentFile(), "b.ini");  // an unknown type changes nothing
  library.Find("sepam");
  EXPECT_EQ(library.CurrentFile(), "a.ini");
}

TEST_F(TemplateTest, ReadOnceThenHeldInMemory) {
  Write("a.ini", "[Устройства]\nA=\n[Таблица ТС]\n1_Количество=4\n");
  ASSERT_TRUE(Load());
  Write("a.ini", "[Устройства]\nA=\n[Таблица ТС]\n1_Количество=9\n");
  Write("b.ini", "[Устройства]\nB=\n");
  ASSERT_TRUE(Load());
  EXPECT_EQ(library.DeviceNames(), std::vector<std::string>{"A"});
  EXPECT_EQ(library.Find("A")->ReadInteger("Таблица ТС", "1_Количество", 0), 4);
  library.Reset();
  ASSERT_TRUE(Load());
  EXPECT_EQ(library.DeviceNames(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(TemplateTest, ATypeListedTwiceComesFromTheFirstFile) {
  Write("b.ini", "[Устройства]\nДубль=\nB=\n");
  Write("a.ini", "[Устройства]\nдубль=\n");
  ASSERT_TRUE(Load());  // reported, but every file was read
  EXPECT_EQ(messages.Errors,
            std::vector<std::string>{
                "Устройство Дубль описано в файлах a.ini и b.ini; взято описание из a.ini."});
  EXPECT_EQ(library.FileOf("Дубль"), "a.ini");
  EXPECT_EQ(library.DeviceNames(), (std::vector<std::string>{"B", "дубль"}));
}

TEST_F(TemplateTest, FilesThatCannotBeReadArePassedOverWithAMessage) {
  Write("good.ini", "[Устройства]\nG=\n");
  fs::create_directory(PathOf("dir.ini"));
  ASSERT_EQ(::mkfifo(PathOf("pipe.ini").c_str(), 0644), 0);  // opening it would block
  fs::create_symlink(PathOf("missing"), PathOf("link.ini"));
  test::WriteAll(PathOf("big.ini"), std::vector<std::uint8_t>(TemplateLibrary::kMaxFileSize, ' '));
  std::vector<std::uint8_t> justFits = FileBytes("[Устройства]\nFits=\n");
  justFits.resize(TemplateLibrary::kMaxFileSize - 1, ' ');
  test::WriteAll(PathOf("fits.ini"), justFits);

  EXPECT_FALSE(Load());
  EXPECT_TRUE(library.FolderFound());
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{
                                 "Шаблон " + PathOf("big.ini") + " не прочитан: файл больше 1 МБ.",
                                 "Шаблон " + PathOf("dir.ini") + " не прочитан: это не файл.",
                                 "Шаблон " + PathOf("link.ini") + " не прочитан: это не файл.",
                                 "Шаблон " + PathOf("pipe.ini") + " не прочитан: это не файл.",
                             }));
  EXPECT_EQ(library.DeviceNames(), (std::vector<std::string>{"Fits", "G"}));
  // Asked again, the library answers as it loaded.
  EXPECT_FALSE(Load());
}

TEST_F(TemplateTest, AMissingFolderIsAnEmptyLibraryAFileInItsPlaceIsReported) {
  fs::remove(Folder());
  EXPECT_FALSE(Load());
  EXPECT_FALSE(library.FolderFound());
  EXPECT_TRUE(messages.Errors.empty());
  EXPECT_TRUE(library.DeviceNames().empty());

  library.Reset();
  test::WriteAll(Folder(), {'x'});
  EXPECT_FALSE(Load());
  EXPECT_FALSE(library.FolderFound());
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0].rfind("Не удалось прочитать папку шаблонов " + Folder() + ": ", 0),
            0u)
      << messages.Errors[0];
}

TEST_F(TemplateTest, ANewHomeMakesTheProgramsLibrariesLoadAgain) {
  Write("a.ini", "[Устройства]\nA=\n");
  SetTemplateHome(home.Path());
  EXPECT_EQ(TemplateHome(), home.Path());
  ModbusTemplates().Load(TemplateHome(), messages);
  EXPECT_EQ(ModbusTemplates().FileOf("A"), "a.ini");
  EXPECT_EQ(ModbusTemplates().Folder(), Folder());
  EXPECT_EQ(Iec103Templates().Folder(), "IEC_103");
  SetTemplateHome(home.Path());  // the same home keeps what is loaded
  EXPECT_TRUE(ModbusTemplates().Loaded());
  SetTemplateHome("");
  EXPECT_FALSE(ModbusTemplates().Loaded());
  EXPECT_EQ(ModbusTemplates().FileOf("A"), "");
}

TEST(Iec103TemplateTest, TableEntriesAreTheNonEmptyLinesOfTheirKind) {
  const IniDocument tpl =
      Doc("[Таблица ТС]\nТС_1=160 16\nТС_7=\nТСx=1 2\nТИ_1=9 9 9\nтс_3=5 6\n[Таблица ТИ]\nТИ_1=1 2 "
          "3\n");
  EXPECT_EQ(Iec103TableEntries(tpl, "Таблица ТС", "ТС"),
            (std::vector<std::string>{"160 16", "1 2", "5 6"}));
  EXPECT_EQ(Iec103TableEntries(tpl, "Таблица ТИ", "ТИ"), std::vector<std::string>{"1 2 3"});
  EXPECT_TRUE(Iec103TableEntries(tpl, "Таблица ТУ", "ТУ").empty());
}

// --- reading a Modbus template ---

TEST_F(TemplateTest, MissingKeysGiveTheDefaultsOfEachTable) {
  ModbusTemplateTables t;
  t.TS[0] = {9, 9, 9};
  t.EventLog.Selected = {1, 2};
  EXPECT_EQ(ReadModbusTables(Doc("[Устройства]\nX=\n"), "x.ini", t, messages), 0);
  for (int i = 0; i < kModbusRows; ++i) {
    const auto at = static_cast<std::size_t>(i);
    EXPECT_EQ(t.TS[at], (ModbusRow{1, 0, 0}));
    EXPECT_EQ(t.TU[at], (ModbusRow{5, 0, 0}));
    EXPECT_EQ(t.TR[at], (ModbusRow{6, 0, 0}));
    EXPECT_EQ(t.TI[at], (ModbusTIRow{0, 4, 0, 0}));
  }
  EXPECT_EQ(t.TimeAddress, 0);
  EXPECT_EQ(t.TimeString, "");
  EXPECT_EQ(t.EventLog, (ModbusLog{0, 0, 1, 0, "", {}}));
  EXPECT_EQ(t.AlarmLog, (ModbusLog{0, 0, 1, 0, "", {}}));
  EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(TemplateTest, EveryTableRowClockAndLogIsRead) {
  const IniDocument tpl =
      Doc("[Таблица ТС]\n1_Адрес=$0100\n1_Количество=16\n1_Функция=2\n8_Адрес=256\n8_Количество=1\n"
          "[Таблица ТУ]\n2_Адрес=$00ab\n2_Количество=2\n2_Функция=16\n"
          "[Таблица ТИ]\n3_Тип=2\n3_Адрес=$FFFF\n3_Количество=255\n3_Функция=3\n"
          "[Таблица ТР]\n1_адрес=10\n1_КОЛИЧЕСТВО=1\n"
          "[Дата Время]\n1_Адрес=$0ABC\n1_Строка=16 1 2\n"
          "[Журнал Системы]\nАдрес1=$1000\nАдрес2=$2000\nИнтервал=8\nЗаписей=65535\nСтрока=3 1 10\n"
          "[Журнал Аварий]\nИнтервал=0\n");
  ModbusTemplateTables t;
  EXPECT_EQ(ReadModbusTables(tpl, "x.ini", t, messages), 0);
  EXPECT_TRUE(messages.Errors.empty()) << messages.Errors[0];
  // "$0100" and "256" are the same address.
  EXPECT_EQ(t.TS[0], (ModbusRow{2, 0x0100, 16}));
  EXPECT_EQ(t.TS[7], (ModbusRow{1, 0x0100, 1}));
  EXPECT_EQ(t.TU[1], (ModbusRow{16, 0x00AB, 2}));
  EXPECT_EQ(t.TU[0], (ModbusRow{5, 0, 0}));
  EXPECT_EQ(t.TI[2], (ModbusTIRow{2, 3, 0xFFFF, 255}));
  EXPECT_EQ(t.TR[0], (ModbusRow{6, 10, 1}));
  EXPECT_EQ(t.TimeAddress, 0x0ABC);
  EXPECT_EQ(t.TimeString, "16 1 2");
  EXPECT_EQ(t.EventLog, (ModbusLog{0x1000, 0x2000, 8, 65535, "3 1 10", {}}));
  EXPECT_EQ(t.AlarmLog, (ModbusLog{0, 0, 0, 0, "", {}}));
}

TEST_F(TemplateTest, ValuesThatDoNotFitAreRefusedByFileAndKey) {
  const std::string long65(65, 'x');
  const IniDocument tpl = Doc(
      "[Таблица ТС]\n1_Адрес=$10000\n1_Количество=3\n1_Функция=256\n2_Количество=-1\n"
      "[Таблица ТИ]\n1_Тип=два\n1_Адрес=$FFFFFFFF\n1_Количество=255\n"
      "[Дата Время]\n1_Адрес=65536\n1_Строка=" +
      long65 + "\n[Журнал Аварий]\nИнтервал=65536\nЗаписей=12x\nСтрока=" + Repeat("я", 64) + "\n");
  ModbusTemplateTables t;
  EXPECT_EQ(ReadModbusTables(tpl, "bad.ini", t, messages), 9);
  EXPECT_EQ(
      messages.Errors,
      (std::vector<std::string>{
          "Шаблон bad.ini: значение 1_Адрес=$10000 в разделе [Таблица ТС] вне пределов "
          "0..65535. Оставлено значение по умолчанию 0.",
          "Шаблон bad.ini: значение 1_Функция=256 в разделе [Таблица ТС] вне пределов 0..255. "
          "Оставлено значение по умолчанию 1.",
          "Шаблон bad.ini: значение 2_Количество=-1 в разделе [Таблица ТС] вне пределов "
          "0..255. Оставлено значение по умолчанию 0.",
          "Шаблон bad.ini: значение 1_Тип=два в разделе [Таблица ТИ] не является числом. "
          "Оставлено значение по умолчанию 0.",
          "Шаблон bad.ini: значение 1_Адрес=$FFFFFFFF в разделе [Таблица ТИ] вне пределов "
          "0..65535. Оставлено значение по умолчанию 0.",
          "Шаблон bad.ini: значение 1_Адрес=65536 в разделе [Дата Время] вне пределов "
          "0..65535. Оставлено значение по умолчанию 0.",
          "Шаблон bad.ini: значение 1_Строка в разделе [Дата Время] длиннее 64 символов и "
          "обрезано.",
          "Шаблон bad.ini: значение Интервал=65536 в разделе [Журнал Аварий] вне пределов "
          "0..65535. Оставлено значение по умолчанию 1.",
          "Шаблон bad.ini: значение Записей=12x в разделе [Журнал Аварий] не является числом. "
          "Оставлено значение по умолчанию 0.",
      }));
  // The refused field has its default, the rest of the row is read.
  EXPECT_EQ(t.TS[0], (ModbusRow{1, 0, 3}));
  EXPECT_EQ(t.TS[1], (ModbusRow{1, 0, 0}));
  EXPECT_EQ(t.TI[0], (ModbusTIRow{0, 4, 0, 255}));
  EXPECT_EQ(t.TimeString, std::string(64, 'x'));
  EXPECT_EQ(t.AlarmLog, (ModbusLog{0, 0, 1, 0, Repeat("я", 64), {}}));
}

TEST_F(TemplateTest, ADeviceTakesTablesClockAndLogsButKeepsItsOwnSettings) {
  TRTU* d = NewDevice();
  d->TS[5] = {3, 7, 7};
  d->TI[0] = {1, 3, 5, 5};
  d->EventLog = ModbusLog{1, 2, 3, 4, "e", {7, 8}};
  d->AlarmLog = ModbusLog{1, 2, 3, 4, "a", {9}};
  d->Attempts = 9;
  d->Place = "Насосная";
  d->TUPassword = "1234";
  d->TUPasswordAddress = 0x40;
  d->TUAutoOff = 300;
  d->MultiTS = 0;
  d->Fresh = true;
  const IniDocument tpl =
      Doc("[Таблица ТС]\n1_Адрес=$0010\n1_Количество=8\n"
          "[Журнал Системы]\nАдрес1=$0020\nСтрока=3 1\n[Журнал Аварий]\nЗаписей=$70000\n");
  EXPECT_EQ(ReadModbusTemplate(tpl, "dev.ini", *d, messages), 1);
  EXPECT_EQ(messages.Errors,
            std::vector<std::string>{
                "Шаблон dev.ini: значение Записей=$70000 в разделе [Журнал Аварий] вне "
                "пределов 0..65535. Оставлено значение по умолчанию 0."});
  EXPECT_EQ(d->TS[0], (ModbusRow{1, 0x10, 8}));
  EXPECT_EQ(d->TS[5], (ModbusRow{1, 0, 0}));
  EXPECT_EQ(d->TI[0], (ModbusTIRow{0, 4, 0, 0}));
  EXPECT_EQ(d->EventLog, (ModbusLog{0x20, 0, 1, 0, "3 1", {}}));
  EXPECT_EQ(d->AlarmLog, (ModbusLog{0, 0, 1, 0, "", {}}));
  EXPECT_EQ(d->Attempts, 9);
  EXPECT_EQ(d->Place, "Насосная");
  EXPECT_EQ(d->TUPassword, "1234");
  EXPECT_EQ(d->TUPasswordAddress, 0x40);
  EXPECT_EQ(d->TUAutoOff, 300);
  EXPECT_EQ(d->MultiTS, 0);
  EXPECT_TRUE(d->Fresh);
}

// --- saving ---

// A device with a little of everything: bit keys of four and five lower-case digits,
// register keys in upper case, a two-word ТИ row, a renamed signal, one log.
TRTU* SetUpSmallDevice(TRTU* d) {
  d->TS[0] = {1, 0x0010, 2};
  d->TS[1] = {1, 0x00AB, 1};
  d->TS[2] = {3, 0x0FFF, 1};  // bit FFF0
  d->TS[3] = {3, 0x1000, 1};  // bit 10000
  d->TU[1] = {5, 0x00AB, 1};
  d->TI[0] = {2, 3, 0x0C0D, 3};  // two words per value: 0C0D and 0C0F
  d->TI[1] = {1, 3, 0x0001, 0};  // empty
  d->TimeAddress = 0x0ABC;
  d->TimeString = "16 1 2";
  d->EventLog = ModbusLog{0x100, 0x200, 8, 100, "3 1 10", {}};
  d->AlarmLog = ModbusLog{0x300, 0x400, 2, 5, "", {}};  // no record string: not written
  d->UpdateSignalList();
  TParams::SetShortName(*d->List(kKindTS)->At(1), "Авария насоса");
  return d;
}

const char kSmallDeviceFile[] =
    "[Устройства]\n"
    "Насос=\n"
    "\n"
    "[Таблица ТС]\n"
    "1_Адрес=$0010\n1_Количество=2\n1_Функция=1\n"
    "2_Адрес=$00AB\n2_Количество=1\n2_Функция=1\n"
    "3_Адрес=$0FFF\n3_Количество=1\n3_Функция=3\n"
    "4_Адрес=$1000\n4_Количество=1\n4_Функция=3\n"
    "\n"
    "[Таблица ТУ]\n"
    "2_Адрес=$00AB\n2_Количество=1\n2_Функция=5\n"
    "\n"
    "[Таблица ТИ]\n"
    "1_Тип=2\n1_Адрес=$0C0D\n1_Количество=3\n1_Функция=3\n"
    "\n"
    "[Дата Время]\n"
    "1_Адрес=$0ABC\n1_Строка=16 1 2\n"
    "\n"
    "[Журнал Системы]\n"
    "Адрес1=$0100\nАдрес2=$0200\nИнтервал=8\nЗаписей=100\nСтрока=3 1 10\n"
    "\n"
    "[Список ТС]\n"
    "$0010=Пр_0010\n$0011=Авария насоса\n$00ab=Пр_00ab\n$fff0=Пр_fff0\n$10000=Пр_10000\n"
    "\n"
    "[Список ТУ]\n"
    "$00AB=Пр_00ab\n"
    "\n"
    "[Список ТИ]\n"
    "$0C0D=Пр_0c0d\n$0C0F=Пр_0c0f\n";

TEST_F(TemplateTest, ASavedTemplateIsExactlyThisText) {
  ASSERT_TRUE(Load());
  TRTU* d = SetUpSmallDevice(NewDevice());
  ASSERT_TRUE(SaveModbusTemplate(library, *d, "Насос", messages)) << messages.Errors[0];
  EXPECT_TRUE(messages.Errors.empty());
  EXPECT_TRUE(messages.Questions.empty());
  EXPECT_EQ(test::ReadAll(PathOf("Насос.ini")), FileBytes(kSmallDeviceFile));
  EXPECT_EQ(test::ReadAll(PathOf("Насос.ini")).size(), FileBytes(kSmallDeviceFile).size());

  // The device is of that type now, and the library knows the type and its file.
  EXPECT_EQ(d->Name(), "Насос");
  EXPECT_EQ(d->Caption(), "5_Насос");
  EXPECT_EQ(library.FileOf("Насос"), "Насос.ini");
  EXPECT_EQ(library.CurrentFile(), "Насос.ini");
  EXPECT_EQ(library.File("Насос.ini")->ToBytes(), Utf8ToCp1251(Read("Насос.ini")));
}

TEST_F(TemplateTest, WhatIsSavedReadsBackIntoTheSameDevice) {
  ASSERT_TRUE(Load());
  TRTU* d = SetUpSmallDevice(NewDevice());
  d->TR[7] = {16, 0xFFFF, 255};
  ASSERT_TRUE(SaveModbusTemplate(library, *d, "Насос", messages));

  TemplateLibrary again("MODBUS");
  ASSERT_TRUE(again.Load(home.Path(), messages));
  const IniDocument* tpl = again.Find("НАСОС");
  ASSERT_NE(tpl, nullptr);
  ModbusTemplateTables t;
  EXPECT_EQ(ReadModbusTables(*tpl, again.FileOf("Насос"), t, messages), 0);
  EXPECT_EQ(t.TS, d->TS);
  EXPECT_EQ(t.TR, d->TR);
  // Rows without values are not written: they read back with the table's defaults.
  EXPECT_EQ(t.TI[0], d->TI[0]);
  EXPECT_EQ(t.TI[1], (ModbusTIRow{0, 4, 0, 0}));
  EXPECT_EQ(t.TU[1], d->TU[1]);
  EXPECT_EQ(t.TimeAddress, d->TimeAddress);
  EXPECT_EQ(t.TimeString, d->TimeString);
  EXPECT_EQ(t.EventLog, d->EventLog);
  EXPECT_EQ(t.AlarmLog, (ModbusLog{0, 0, 1, 0, "", {}}));
  EXPECT_EQ(tpl->ReadString("Список ТС", "$0011"), "Авария насоса");
  EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(TemplateTest, ANewNameStartsFromTheCurrentTemplate) {
  Write("base.ini",
        "[Устройства]\nБаза=\n[Таблица ТС]\n1_Адрес=$0001\n1_Количество=9\n"
        "[Список Событий]\n1=Пуск\n2=Останов\n[Список ТС]\n$0100=Старое имя\n"
        "[Журнал Аварий]\nСтрока=1 2\n");
  ASSERT_TRUE(Load());
  ASSERT_NE(library.Find("База"), nullptr);
  const std::vector<std::uint8_t> base = test::ReadAll(PathOf("base.ini"));

  TRTU* d = NewDevice();
  d->TS[0] = {1, 0x0010, 1};
  d->UpdateSignalList();
  ASSERT_TRUE(SaveModbusTemplate(library, *d, "  Новый  ", messages)) << messages.Errors[0];
  EXPECT_TRUE(messages.Questions.empty());
  // Hand-written sections and names of other addresses come along; the tables and the
  // logs are the device's.
  EXPECT_EQ(Read("Новый.ini"),
            "[Список Событий]\r\n1=Пуск\r\n2=Останов\r\n"
            "[Список ТС]\r\n$0100=Старое имя\r\n$0010=Пр_0010\r\n"
            "\r\n[Устройства]\r\nНовый=\r\n"
            "\r\n[Таблица ТС]\r\n1_Адрес=$0010\r\n1_Количество=1\r\n1_Функция=1\r\n");
  EXPECT_EQ(test::ReadAll(PathOf("base.ini")), base);
  EXPECT_EQ(d->Name(), "Новый");
  EXPECT_EQ(library.DeviceNames(), (std::vector<std::string>{"База", "Новый"}));
  EXPECT_EQ(library.CurrentFile(), "Новый.ini");
  EXPECT_EQ(library.FileOf("База"), "base.ini");
}

TEST_F(TemplateTest, SavingAgainAsksAndNoLeavesTheFileAsItWas) {
  ASSERT_TRUE(Load());
  TRTU* d = NewDevice();
  d->TS[0] = {1, 0x0010, 1};
  d->UpdateSignalList();
  ASSERT_TRUE(SaveModbusTemplate(library, *d, "Насос", messages));
  const std::vector<std::uint8_t> first = test::ReadAll(PathOf("Насос.ini"));
  EXPECT_TRUE(messages.Questions.empty());

  d->TS[0].Count = 2;
  d->UpdateSignalList();
  messages.SetAnswer(Answer::No);
  EXPECT_FALSE(SaveModbusTemplate(library, *d, "Насос", messages));
  EXPECT_EQ(messages.Questions,
            std::vector<std::string>{"Файл уже существует.\rПереписать настройку?"});
  EXPECT_EQ(test::ReadAll(PathOf("Насос.ini")), first);
  EXPECT_EQ(library.File("Насос.ini")->ReadInteger("Таблица ТС", "1_Количество", 0), 1);

  messages.SetAnswer(Answer::Yes);
  EXPECT_TRUE(SaveModbusTemplate(library, *d, "насос", messages));
  EXPECT_EQ(messages.Questions.size(), 2u);
  // The name section is kept where it was; the erased sections come after it.
  EXPECT_EQ(Read("Насос.ini"),
            "[Список ТС]\r\n$0010=Пр_0010\r\n$0011=Пр_0011\r\n"
            "\r\n[Устройства]\r\nнасос=\r\n\r\n[Таблица ТС]\r\n1_Адрес=$0010\r\n"
            "1_Количество=2\r\n1_Функция=1\r\n");
  EXPECT_EQ(home.Entries(), std::vector<std::string>{"MODBUS"});
  EXPECT_EQ(library.DeviceNames(), std::vector<std::string>{"насос"});
  EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(TemplateTest, AFileOfSeveralDevicesIsNeverWrittenFromADevice) {
  Write("common.ini", "[Устройства]\nA=\nB=\n");
  Write("C.ini", "[Устройства]\nX=\nY=\n");
  ASSERT_TRUE(Load());
  const std::vector<std::uint8_t> common = test::ReadAll(PathOf("common.ini"));
  const std::vector<std::uint8_t> c = test::ReadAll(PathOf("C.ini"));
  TRTU* d = NewDevice();
  EXPECT_FALSE(SaveModbusTemplate(library, *d, "B", messages));
  // A new type whose file name is taken by a file of several devices.
  EXPECT_FALSE(SaveModbusTemplate(library, *d, "C", messages));
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{
                "Файл  common.ini  содержит описание нескольких устройств. В записи отказано. "
                "Задайте другое имя.",
                "Файл  C.ini  содержит описание нескольких устройств. В записи отказано. "
                "Задайте другое имя."}));
  EXPECT_TRUE(messages.Questions.empty());
  EXPECT_EQ(test::ReadAll(PathOf("common.ini")), common);
  EXPECT_EQ(test::ReadAll(PathOf("C.ini")), c);
  EXPECT_EQ(d->Name(), "RTU");
  EXPECT_EQ(library.FileOf("C"), "");
}

TEST_F(TemplateTest, AFileOfTheNewNameIsReplacedOnlyWhenConfirmed) {
  // Other.ini describes type Z; a file put there after the library was read describes W.
  Write("Other.ini", "[Устройства]\nZ=\n");
  ASSERT_TRUE(Load());
  Write("Late.ini", "[Устройства]\nW=\n");
  Write("Many.ini", "[Устройства]\nM1=\nM2=\n");
  fs::create_directory(PathOf("Dir.ini"));
  const std::vector<std::uint8_t> other = test::ReadAll(PathOf("Other.ini"));
  const std::vector<std::uint8_t> late = test::ReadAll(PathOf("Late.ini"));
  TRTU* d = NewDevice();

  messages.SetAnswer(Answer::No);
  EXPECT_FALSE(SaveModbusTemplate(library, *d, "Other", messages));
  EXPECT_FALSE(SaveModbusTemplate(library, *d, "Late", messages));
  EXPECT_EQ(messages.Questions,
            (std::vector<std::string>{
                "Файл  Other.ini  содержит описание устройства Z.\rПереписать настройку?",
                "Файл  Late.ini  содержит описание устройства W.\rПереписать настройку?"}));
  EXPECT_EQ(test::ReadAll(PathOf("Other.ini")), other);
  EXPECT_EQ(test::ReadAll(PathOf("Late.ini")), late);
  EXPECT_FALSE(SaveModbusTemplate(library, *d, "Many", messages));
  EXPECT_FALSE(SaveModbusTemplate(library, *d, "Dir", messages));
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{
                "Файл  Many.ini  содержит описание нескольких устройств. В записи отказано. "
                "Задайте другое имя.",
                "Файл  Dir.ini  уже существует и не читается (это не файл). В записи "
                "отказано. Задайте другое имя."}));
  EXPECT_EQ(messages.Questions.size(), 2u);

  // Yes: the file is the new type's, and the type it described leaves the library.
  messages.SetAnswer(Answer::Yes);
  ASSERT_TRUE(SaveModbusTemplate(library, *d, "Other", messages));
  EXPECT_EQ(library.FileOf("Other"), "Other.ini");
  EXPECT_EQ(library.FileOf("Z"), "");
  EXPECT_EQ(Read("Other.ini"), "[Устройства]\r\nOther=\r\n");
}

TEST_F(TemplateTest, NamesThatCannotBeAFileAndAKeyAreRefused) {
  ASSERT_TRUE(Load());
  TRTU* d = NewDevice();
  for (const std::string bad : {"a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b",
                                "a=b", "a[b", "a]b", "a\tb"}) {
    messages.Errors.clear();
    EXPECT_FALSE(SaveModbusTemplate(library, *d, bad, messages)) << bad;
    EXPECT_EQ(messages.Errors,
              std::vector<std::string>{
                  "Имя устройства \"" + bad +
                  "\" недопустимо: в нём не может быть символов \\ / : * ? \" < > | = [ ] и "
                  "управляющих символов."});
  }
  messages.Errors.clear();
  EXPECT_FALSE(SaveModbusTemplate(library, *d, "   ", messages));
  EXPECT_FALSE(SaveModbusTemplate(library, *d, ";x", messages));
  EXPECT_FALSE(SaveModbusTemplate(library, *d, "Насос \u2603", messages));
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{
                "Не задано имя устройства.", "Имя устройства \";x\" не может начинаться с \";\".",
                "Имя устройства \"Насос \u2603\" содержит символы, которых нет в кодировке "
                "Windows-1251."}));
  EXPECT_TRUE(fs::is_empty(Folder()));
  EXPECT_EQ(d->Name(), "RTU");
  EXPECT_TRUE(library.DeviceNames().empty());
}

TEST_F(TemplateTest, ALongNameIsCutTo64Characters) {
  ASSERT_TRUE(Load());
  TRTU* d = NewDevice();
  const std::string name = Repeat("Ж", 63) + " " + "хвост";
  ASSERT_TRUE(SaveModbusTemplate(library, *d, name, messages));
  const std::string expected = Truncate(name, 63);  // the space at 64 is trimmed away
  EXPECT_EQ(d->Name(), expected);
  EXPECT_EQ(library.FileOf(expected), expected + ".ini");
  EXPECT_TRUE(fs::exists(PathOf(expected + ".ini")));
}

TEST_F(TemplateTest, AFailedWriteLeavesLibraryDiskAndDeviceAsTheyWere) {
  Write("base.ini", "[Устройства]\nБаза=\n[Список Событий]\n1=Пуск\n");
  ASSERT_TRUE(Load());
  library.Find("База");
  TRTU* d = NewDevice();
  d->TS[0] = {1, 0x0010, 1};
  d->UpdateSignalList();

  {
    // The file system refuses to take the data.
    test::FileSizeLimit limit(10);
    EXPECT_FALSE(SaveModbusTemplate(library, *d, "База", messages));
  }
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0].rfind("Ошибка записи файла " + PathOf("base.ini") + ": ", 0), 0u)
      << messages.Errors[0];
  EXPECT_EQ(Read("base.ini"), "[Устройства]\r\nБаза=\r\n[Список Событий]\r\n1=Пуск\r\n");
  EXPECT_FALSE(library.File("base.ini")->SectionExists("Таблица ТС"));
  EXPECT_EQ(Entries(Folder()), std::vector<std::string>{"base.ini"});  // no temporary left

  // The folder is gone, or a file took its place.
  const std::string moved = home / "moved";
  fs::rename(Folder(), moved);
  EXPECT_FALSE(SaveModbusTemplate(library, *d, "Новый", messages));
  test::WriteAll(Folder(), {'x'});
  EXPECT_FALSE(SaveModbusTemplate(library, *d, "Новый", messages));
  ASSERT_EQ(messages.Errors.size(), 3u);
  for (std::size_t i = 1; i < 3; ++i)
    EXPECT_EQ(messages.Errors[i].rfind("Ошибка записи файла " + PathOf("Новый.ini") + ": ", 0), 0u)
        << messages.Errors[i];
  EXPECT_EQ(library.DeviceNames(), std::vector<std::string>{"База"});
  EXPECT_EQ(library.FileNames(), std::vector<std::string>{"base.ini"});
  EXPECT_EQ(library.CurrentFile(), "base.ini");
  EXPECT_EQ(d->Name(), "RTU");
  EXPECT_EQ(Entries(moved), std::vector<std::string>{"base.ini"});
}

// --- deleting ---

TEST_F(TemplateTest, DeletingAsksThenRemovesTheFileOrTheKey) {
  Write("one.ini", "[Устройства]\nОдин=\n");
  Write("two.ini", "[Устройства]\nДва=\nТри=\n[Таблица ТС]\n1_Количество=1\n");
  ASSERT_TRUE(Load());

  messages.SetAnswer(Answer::No);
  EXPECT_FALSE(DeleteModbusTemplate(library, "Один", messages));
  EXPECT_EQ(messages.Questions, std::vector<std::string>{"Удалить устройство Один из списка ?"});
  EXPECT_TRUE(fs::exists(PathOf("one.ini")));
  EXPECT_EQ(library.FileOf("Один"), "one.ini");

  messages.SetAnswer(Answer::Yes);
  EXPECT_TRUE(DeleteModbusTemplate(library, "Один", messages));
  EXPECT_FALSE(fs::exists(PathOf("one.ini")));
  EXPECT_EQ(library.File("one.ini"), nullptr);
  EXPECT_EQ(library.CurrentFile(), "");
  EXPECT_TRUE(library.Current().Sections().empty());

  EXPECT_TRUE(DeleteModbusTemplate(library, "Два", messages));
  EXPECT_EQ(Read("two.ini"), "[Устройства]\r\nТри=\r\n[Таблица ТС]\r\n1_Количество=1\r\n");
  EXPECT_EQ(library.DeviceNames(), std::vector<std::string>{"Три"});
  EXPECT_EQ(library.FileOf("Три"), "two.ini");
  EXPECT_EQ(library.File("two.ini")->SectionKeys("Устройства"), std::vector<std::string>{"Три"});

  EXPECT_FALSE(DeleteModbusTemplate(library, "Один", messages));
  EXPECT_EQ(messages.Errors,
            std::vector<std::string>{"Устройства Один нет в библиотеке шаблонов."});
  EXPECT_EQ(messages.Questions.size(), 3u);
}

TEST_F(TemplateTest, AFailedDeleteLeavesTheLibrary) {
  Write("two.ini", "[Устройства]\nДва=\nТри=\n");
  Write("one.ini", "[Устройства]\nОдин=\n");
  ASSERT_TRUE(Load());
  const std::string moved = home / "moved";
  fs::rename(Folder(), moved);
  test::WriteAll(Folder(), {'x'});  // a file where the folder was: nothing can go in or out
  EXPECT_FALSE(DeleteModbusTemplate(library, "Два", messages));
  EXPECT_FALSE(DeleteModbusTemplate(library, "Один", messages));
  ASSERT_EQ(messages.Errors.size(), 2u);
  EXPECT_EQ(messages.Errors[0].rfind("Ошибка записи файла " + PathOf("two.ini") + ": ", 0), 0u)
      << messages.Errors[0];
  EXPECT_EQ(messages.Errors[1].rfind("Не удалось удалить файл " + PathOf("one.ini") + ": ", 0), 0u)
      << messages.Errors[1];
  EXPECT_EQ(library.DeviceNames(), (std::vector<std::string>{"Два", "Один", "Три"}));
  EXPECT_EQ(library.File("two.ini")->SectionKeys("Устройства"),
            (std::vector<std::string>{"Два", "Три"}));
  fs::remove(Folder());
  fs::rename(moved, Folder());
  EXPECT_EQ(Read("two.ini"), "[Устройства]\r\nДва=\r\nТри=\r\n");
}

}  // namespace
}  // namespace vilk
