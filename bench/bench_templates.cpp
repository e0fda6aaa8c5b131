// The device template library: loading a folder of 500 Modbus templates (two types each,
// full tables, a few hundred signal names), as the first Modbus port does; and reading
// one template's tables, as a device takes its type.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "base/format.h"
#include "base/ini.h"
#include "ports/fieldbus/modbus_template.h"
#include "ports/fieldbus/templates.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 500;

// A template as large as the bigger real ones (about 9 KB).
vilk::IniDocument MakeTemplate(int n) {
  vilk::IniDocument doc;
  doc.WriteString("Устройства", vilk::Format("Устройство %d", n), "");
  doc.WriteString("Устройства", vilk::Format("Устройство %d-М", n), "");
  for (const char* table : {"Таблица ТС", "Таблица ТУ", "Таблица ТИ", "Таблица ТР"}) {
    for (int row = 1; row <= 8; ++row) {
      if (std::string(table) == "Таблица ТИ")
        doc.WriteInteger(table, vilk::Format("%d_Тип", row), 2);
      doc.WriteString(table, vilk::Format("%d_Адрес", row), vilk::Format("$%4.4X", row * 0x40));
      doc.WriteInteger(table, vilk::Format("%d_Количество", row), 16);
      doc.WriteInteger(table, vilk::Format("%d_Функция", row), 3);
    }
  }
  doc.WriteString("Дата Время", "1_Адрес", "$0100");
  doc.WriteString("Дата Время", "1_Строка", "16 1 2 3 4 5 6");
  for (const char* log : {"Журнал Системы", "Журнал Аварий"}) {
    doc.WriteString(log, "Адрес1", "$1000");
    doc.WriteString(log, "Адрес2", "$2000");
    doc.WriteInteger(log, "Интервал", 8);
    doc.WriteInteger(log, "Записей", 100);
    doc.WriteString(log, "Строка", "3 1 10");
  }
  for (int k = 0; k < 128; ++k)
    doc.WriteString("Список ТС", vilk::Format("$%4.4x", 0x400 + k),
                    vilk::Format("Вход %d щита", k));
  for (int k = 0; k < 64; ++k)
    doc.WriteString("Список ТИ", vilk::Format("$%4.4X", 0x40 + 2 * k),
                    vilk::Format("Напряжение фазы %d", k));
  for (int k = 1; k <= 60; ++k)
    doc.WriteString("Список Событий", vilk::Format("%d", k), vilk::Format("Событие %d", k));
  return doc;
}

// The generated home folder, removed when the program ends.
class Home {
 public:
  Home() {
    std::string tmpl = (fs::temp_directory_path() / "vilk_bench_templates_XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return;
    path_ = tmpl;
    fs::create_directory(fs::path(path_) / "MODBUS");
    for (int n = 0; n < kFiles; ++n) {
      const std::string file = vilk::Format("%s/MODBUS/dev%03d.ini", path_, n);
      if (!MakeTemplate(n).SaveFile(file)) {
        path_.clear();
        return;
      }
    }
  }
  ~Home() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

const Home& TheHome() {
  static Home home;
  return home;
}

void BM_LoadLibrary500Files(benchmark::State& state) {
  const std::string& home = TheHome().Path();
  if (home.empty()) {
    state.SkipWithError("the template folder could not be made");
    return;
  }
  std::size_t devices = 0;
  for (auto _ : state) {
    vilk::TemplateLibrary library("MODBUS");
    vilk::SilentMessages messages;
    if (!library.Load(home, messages)) state.SkipWithError("the library did not load");
    devices = library.DeviceNames().size();
    benchmark::DoNotOptimize(devices);
  }
  state.counters["files"] = kFiles;
  state.counters["types"] = static_cast<double>(devices);
}
BENCHMARK(BM_LoadLibrary500Files)->Unit(benchmark::kMillisecond);

void BM_ReadModbusTables(benchmark::State& state) {
  const vilk::IniDocument tpl = MakeTemplate(1);
  vilk::SilentMessages messages;
  for (auto _ : state) {
    vilk::ModbusTemplateTables tables;
    if (vilk::ReadModbusTables(tpl, "dev001.ini", tables, messages) != 0)
      state.SkipWithError("values refused");
    benchmark::DoNotOptimize(tables.TS[0].Count);
  }
}
BENCHMARK(BM_ReadModbusTables)->Unit(benchmark::kMicrosecond);

}  // namespace
