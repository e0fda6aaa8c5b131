#pragma once
// How the tool reaches the controller: serial port or UDP, the port number, the two IPv4
// addresses. Kept in section "Link" of Vilk.ini.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/ini.h"

namespace vilk {

struct AppSettings;

// An IPv4 address in network order: [0] is the first dotted field.
using IPv4 = std::array<std::uint8_t, 4>;

constexpr std::uint8_t kLinkSerial = 0;
constexpr std::uint8_t kLinkUdp = 1;
constexpr std::uint16_t kControllerPort = 208;  // UDP port at both ends
constexpr int kMaxDevicePath = 255;             // longest serial device path the dialog takes

// Dotted text as the settings file holds it: three times the text before the next ".",
// trimmed, as a number; the trimmed rest as the fourth; each byte is the number modulo 256.
// Text that is not four numbers gives nothing.
std::optional<IPv4> ParseDotted(std::string_view text);
// The four bytes in decimal, joined by ".", no leading zeros.
std::string FormatDotted(const IPv4& ip);
inline bool IsBroadcast(const IPv4& ip) {
  return ip == IPv4{255, 255, 255, 255};
}
// The address as one number whose lowest byte is the first dotted field (the form the
// settings dialog's address list holds).
inline std::uint32_t LowFirst(const IPv4& ip) {
  return ip[0] | (ip[1] << 8) | (ip[2] << 16) | (static_cast<std::uint32_t>(ip[3]) << 24);
}
inline IPv4 FromLowFirst(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

struct LinkSettings {
  std::uint8_t LinkMode = kLinkSerial;  // 0 serial, 1 UDP, anything else: no transport
  int ComN = 1;                         // COM1 .. COM99 (kMaxComNumber)
  IPv4 SelfIP{};
  IPv4 DestIP{};
  // The device that "COMn" stands for when it is not /dev/ttyS(n-1) (key "Device"; the
  // command-line tool's --serial sets it). Empty: the usual mapping.
  std::string SerialDevice;

  bool IsUdp() const { return LinkMode == kLinkUdp; }
  bool IsSerial() const { return LinkMode == kLinkSerial; }
  // The serial device to open: SerialDevice when set, else the device of COM number n
  // (/dev/ttyS(n-1), "COMn" on Windows), else empty (nothing can be opened).
  std::string SerialDeviceName() const;

  // Reads section "Link": a COM number outside 1 .. kMaxComNumber becomes 1, unreadable
  // addresses 0.0.0.0.
  void Load(const IniDocument& ini);
  void Store(IniDocument& ini) const;
  // The same values through the window's settings object.
  static LinkSettings FromApp(const AppSettings& app);
  void ToApp(AppSettings& app) const;
};

// The text of the confirmation questions: " c IP адресом \r\r" and DestIP in UDP mode,
// nothing otherwise.
std::string TargetSuffix(const LinkSettings& settings);

}  // namespace vilk
