#pragma once
// A Modbus device and its template: reading the tables, clock and logs from a template,
// and writing a device back as a template.
#include <cstdint>
#include <string>

#include "base/messages.h"
#include "ports/fieldbus/modbus.h"

namespace vilk {

class IniDocument;
class TemplateLibrary;

// What a Modbus template gives a device: its tables, clock register and logs.
struct ModbusTemplateTables {
  ModbusTable TS{}, TU{}, TR{};
  ModbusTITable TI{};
  std::uint16_t TimeAddress = 0;
  std::string TimeString;
  ModbusLog EventLog, AlarmLog;
};

// Reads the tables of a template with the defaults of missing keys. A value that does not
// fit its field (or is no number) is refused with a message naming the file and the key,
// and the field keeps its default; a string longer than 64 characters is cut, with a
// message. Returns the number of values refused or cut.
int ReadModbusTables(const IniDocument& tpl, const std::string& fileName,
                     ModbusTemplateTables& tables, IMessages& messages);

// Fills the device's four tables, clock register and string and both logs (their selected
// events cleared) from `tpl`, as ReadModbusTables reads them. Attempts, place, TU settings,
// multi-TS and the fresh flag are not touched, nor are the signal lists rebuilt (the caller
// does that). Returns the number of values refused or cut.
int ReadModbusTemplate(const IniDocument& tpl, const std::string& fileName, TRTU& device,
                       IMessages& messages);

// "Сохранить": saves `device` as the template `name` in `library` (asking through
// `messages` before overwriting). Returns false when refused, cancelled or not written
// (the reason shown); the library and the file on disk are then as they were. On success
// the device takes `name` as its type name.
bool SaveModbusTemplate(TemplateLibrary& library, TRTU& device, const std::string& name,
                        IMessages& messages);
// "Удалить": removes the type `name` from the library (asking first).
bool DeleteModbusTemplate(TemplateLibrary& library, const std::string& name, IMessages& messages);

}  // namespace vilk
