#pragma once
// The signal list of a PC for the control-centre software, as XML or INI.
#include <string>
#include <vector>

namespace vilk {

class TPC;
class IMessages;

// The XML text (UTF-8, "\r\n" line ends). Names are escaped so that any XML parser reads
// them back. Alarm-log names that do not start with two numbers are left out, each with
// a line in `warnings`.
std::string PcXml(const TPC& pc, std::vector<std::string>* warnings = nullptr);
// The INI document (UTF-8, "\r\n" line ends).
std::string PcIni(const TPC& pc);

// Write the exports to a file in code page 1251. A failure shows "Ошибка записи файла "
// with the file name and leaves no partial file; warnings go to the error box too.
bool ExportPcXml(const TPC& pc, const std::string& path, IMessages& messages);
bool ExportPcIni(const TPC& pc, const std::string& path, IMessages& messages);

}  // namespace vilk
