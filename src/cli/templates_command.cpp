#include "templates_command.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <unordered_map>

#include "home.h"
#include "ports/fieldbus/modbus_template.h"
#include "ports/fieldbus/templates.h"
#include "stream_messages.h"

namespace vilk::cli {

namespace {

namespace fs = std::filesystem;

int Usage(std::ostream& err, const std::string& why) {
  err << "vilkcfg: " << why << "\nTry 'vilkcfg --help'.\n";
  return 2;
}

int RowsUsed(const ModbusTable& table) {
  int n = 0;
  for (const ModbusRow& row : table) n += row.Count != 0;
  return n;
}

int RowsUsed(const ModbusTITable& table) {
  int n = 0;
  for (const ModbusTIRow& row : table) n += row.Count != 0;
  return n;
}

// The table summary of one file ("ТС=2 ТУ=0 ТИ=3 ТР=0"); refused values are reported.
std::string ModbusSummary(const IniDocument& tpl, const std::string& file, IMessages& messages) {
  ModbusTemplateTables tables;
  ReadModbusTables(tpl, file, tables, messages);
  return "ТС=" + std::to_string(RowsUsed(tables.TS)) +
         " ТУ=" + std::to_string(RowsUsed(tables.TU)) +
         " ТИ=" + std::to_string(RowsUsed(tables.TI)) +
         " ТР=" + std::to_string(RowsUsed(tables.TR));
}

std::string Iec103Summary(const IniDocument& tpl) {
  std::string text;
  for (const char* kind : {"ТС", "ТУ", "ТИ"}) {
    if (!text.empty()) text += ' ';
    const std::string section = std::string("Таблица ") + kind;
    text += kind;
    text += '=';
    text += std::to_string(Iec103TableEntries(tpl, section, kind).size());
  }
  return text;
}

}  // namespace

int RunTemplates(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string home;
  bool haveHome = false, iec103 = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--home") {
      if (i + 1 >= args.size()) return Usage(err, "--home needs a folder");
      home = args[++i];
      haveHome = true;
    } else if (args[i] == "--iec103") {
      iec103 = true;
    } else if (args[i].size() > 2 && args[i].compare(0, 2, "--") == 0) {
      return Usage(err, "unknown option " + args[i]);
    } else {
      return Usage(err, "templates takes no file");
    }
  }

  StreamMessages messages(err);
  TemplateLibrary library(iec103 ? "IEC_103" : "MODBUS");
  const bool clean = library.Load(haveHome ? home : DefaultHome(), messages);
  if (!library.FolderFound()) {
    // A folder that is there but cannot be listed was reported by Load.
    std::error_code ec;
    if (!fs::exists(library.Folder(), ec)) messages.Error("Нет папки шаблонов " + library.Folder());
    return 1;
  }
  // Files shared by several types are read once, so their messages come once.
  std::unordered_map<std::string, std::string> summaries;
  for (const std::string& file : library.FileNames()) {
    const IniDocument& tpl = *library.File(file);
    summaries.emplace(file, iec103 ? Iec103Summary(tpl) : ModbusSummary(tpl, file, messages));
  }
  for (const std::string& type : library.DeviceNames()) {
    const std::string file = library.FileOf(type);
    out << type << '\t' << file << '\t' << summaries.at(file) << '\n';
  }
  return clean ? 0 : 1;
}

}  // namespace vilk::cli
