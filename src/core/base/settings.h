#pragma once
// The user's settings in "Vilk.ini": window place, link, folders. Sections the program does
// not read here ("Key", "EditorTI", ...) stay in the document as they were.
#include <string>

#include "base/ini.h"

namespace vilk {

struct AppSettings {
  int Top = 174;
  int Left = 303;
  int Height = 446;
  int Width = 657;
  int LinkMode = 0;
  int ComN = 1;  // serial port number, 1 to kMaxComNumber
  // The serial device chosen by path (key "Device"): a USB adapter, a pseudo-terminal.
  // Empty: the device of COM number ComN.
  std::string SerialDevice;
  std::string SelfIP = "00.00.00.00";
  std::string DestIP = "00.00.00.00";
  std::string DataAuto;  // automation file path
  std::string DirConf;   // folder of the configuration files
  std::string DirProg;   // folder of the program files

  // Reads the settings; missing keys take the defaults (folders default to `programDir`).
  void Load(const IniDocument& ini, const std::string& programDir);
  // Writes the settings into the document (other sections untouched).
  void Store(IniDocument& ini) const;
};

// The highest serial port number the link dialog takes. Older files hold 1 to 8; a higher
// number names a device all the same (COM12 is /dev/ttyS11) and is kept as it is.
constexpr int kMaxComNumber = 99;
// Bounds a stored COM number: outside 1 .. kMaxComNumber it cannot name a port and becomes 1.
inline int CheckedComNumber(int n) {
  return n < 1 || n > kMaxComNumber ? 1 : n;
}

// The serial-port key, spelled with the Cyrillic letters С, О, М.
inline const char kComKey[] = "СОМ_N";
inline const char kSettingsFile[] = "Vilk.ini";

// A dotted address as four decimal numbers ("192.168.001.002" -> "192.168.1.2"); text that
// is no address stays as it is.
std::string NormalizeDotted(const std::string& text);

}  // namespace vilk
