#include "base/settings.h"

#include <charconv>

namespace vilk {

namespace {
std::string WithSlash(const std::string& dir) {
  if (dir.empty() || dir.back() == '/' || dir.back() == '\\') return dir;
  return dir + "/";
}
}  // namespace

void AppSettings::Load(const IniDocument& ini, const std::string& programDir) {
  Top = ini.ReadInteger("Form", "Top", 174);
  Left = ini.ReadInteger("Form", "Left", 303);
  Height = ini.ReadInteger("Form", "Height", 446);
  Width = ini.ReadInteger("Form", "Width", 657);
  LinkMode = ini.ReadInteger("Link", "Mode", 0);
  ComN = CheckedComNumber(ini.ReadInteger("Link", kComKey, 1));
  SerialDevice = ini.ReadString("Link", "Device", "");
  SelfIP = ini.ReadString("Link", "SelfIP", "00.00.00.00");
  DestIP = ini.ReadString("Link", "DestIP", "00.00.00.00");
  DataAuto = ini.ReadString("Progs", "DataAuto", WithSlash(programDir) + "Auto.shm");
  DirConf = ini.ReadString("Progs", "DirConf", programDir);
  DirProg = ini.ReadString("Progs", "DirProg", programDir);
}

void AppSettings::Store(IniDocument& ini) const {
  ini.WriteInteger("Form", "Top", Top);
  ini.WriteInteger("Form", "Left", Left);
  ini.WriteInteger("Form", "Height", Height);
  ini.WriteInteger("Form", "Width", Width);
  ini.WriteInteger("Link", "Mode", LinkMode);
  ini.WriteInteger("Link", kComKey, ComN);
  ini.WriteString("Link", "SelfIP", NormalizeDotted(SelfIP));
  ini.WriteString("Link", "DestIP", NormalizeDotted(DestIP));
  // Written only when used, so that a file of an older program stays as it was.
  if (!SerialDevice.empty() || ini.ValueExists("Link", "Device"))
    ini.WriteString("Link", "Device", SerialDevice);
  ini.WriteString("Progs", "DataAuto", DataAuto);
  ini.WriteString("Progs", "DirConf", DirConf);
  ini.WriteString("Progs", "DirProg", DirProg);
}

std::string NormalizeDotted(const std::string& text) {
  std::string out;
  const char* p = text.data();
  const char* end = p + text.size();
  for (int i = 0; i < 4; ++i) {
    unsigned v = 0;
    auto [next, ec] = std::from_chars(p, end, v);
    if (ec != std::errc() || next == p || v > 255) return text;
    out += std::to_string(v);
    p = next;
    if (i < 3) {
      if (p == end || *p != '.') return text;
      ++p;
      out += '.';
    }
  }
  return p == end ? out : text;
}

}  // namespace vilk
