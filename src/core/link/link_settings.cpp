#include "link/link_settings.h"

#include "base/settings.h"

namespace vilk {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<std::uint8_t> DottedByte(std::string_view text) {
  const std::optional<int> v = ParseIniInteger(Trim(text));
  if (!v) return std::nullopt;
  return static_cast<std::uint8_t>(static_cast<unsigned>(*v) & 0xFF);
}

}  // namespace

std::optional<IPv4> ParseDotted(std::string_view text) {
  IPv4 ip{};
  for (int i = 0; i < 3; ++i) {
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const auto b = DottedByte(text.substr(0, dot));
    if (!b) return std::nullopt;
    ip[static_cast<std::size_t>(i)] = *b;
    text.remove_prefix(dot + 1);
  }
  const auto last = DottedByte(text);
  if (!last) return std::nullopt;
  ip[3] = *last;
  return ip;
}

std::string FormatDotted(const IPv4& ip) {
  return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
         std::to_string(ip[3]);
}

std::string LinkSettings::SerialDeviceName() const {
  if (!SerialDevice.empty()) return SerialDevice;
  if (ComN < 1 || ComN > kMaxComNumber) return {};
#if defined(_WIN32)
  return "COM" + std::to_string(ComN);
#else
  return "/dev/ttyS" + std::to_string(ComN - 1);
#endif
}

void LinkSettings::Load(const IniDocument& ini) {
  LinkMode = static_cast<std::uint8_t>(ini.ReadInteger("Link", "Mode", 0));
  ComN = CheckedComNumber(ini.ReadInteger("Link", kComKey, 1));
  SelfIP = ParseDotted(ini.ReadString("Link", "SelfIP", "00.00.00.00")).value_or(IPv4{});
  DestIP = ParseDotted(ini.ReadString("Link", "DestIP", "00.00.00.00")).value_or(IPv4{});
  SerialDevice = ini.ReadString("Link", "Device", "");
}

void LinkSettings::Store(IniDocument& ini) const {
  ini.WriteInteger("Link", "Mode", LinkMode);
  ini.WriteInteger("Link", kComKey, ComN);
  ini.WriteString("Link", "SelfIP", FormatDotted(SelfIP));
  ini.WriteString("Link", "DestIP", FormatDotted(DestIP));
  // The key is written only when used, so an old program's file stays as it was.
  if (!SerialDevice.empty() || ini.ValueExists("Link", "Device"))
    ini.WriteString("Link", "Device", SerialDevice);
}

LinkSettings LinkSettings::FromApp(const AppSettings& app) {
  LinkSettings s;
  s.LinkMode = static_cast<std::uint8_t>(app.LinkMode);
  s.ComN = app.ComN;  // a number the dialog allowed but no device has fails at open
  s.SerialDevice = app.SerialDevice;
  s.SelfIP = ParseDotted(app.SelfIP).value_or(IPv4{});
  s.DestIP = ParseDotted(app.DestIP).value_or(IPv4{});
  return s;
}

void LinkSettings::ToApp(AppSettings& app) const {
  app.LinkMode = LinkMode;
  app.ComN = ComN;
  app.SerialDevice = SerialDevice;
  app.SelfIP = FormatDotted(SelfIP);
  app.DestIP = FormatDotted(DestIP);
}

std::string TargetSuffix(const LinkSettings& settings) {
  if (!settings.IsUdp()) return {};
  return " c IP адресом \r\r" + FormatDotted(settings.DestIP);
}

}  // namespace vilk
