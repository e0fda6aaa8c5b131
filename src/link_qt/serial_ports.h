#pragma once
// The machine's serial ports for the link dialog, and the dialog's "Проверить": one try of
// the link with the settings the dialog holds, said in words.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controller/models.h"
#include "link/link_settings.h"
#include "network.h"

namespace vilk {

struct SerialPortEntry {
  std::string Name;                                  // "ttyUSB0"
  std::string Location;                              // the device to open: "/dev/ttyUSB0"
  std::string Description;                           // "FT232R USB UART"; may be empty
  std::optional<std::uint16_t> VendorId, ProductId;  // USB adapters only

  // "ttyUSB0 — FT232R USB UART (USB 0403:6001)".
  std::string Text() const;
};

// The ports the system reports (QSerialPortInfo), sorted by name.
std::vector<SerialPortEntry> SystemSerialPorts();
// Where the dialog takes its list from; tests put a pseudo-terminal in it.
std::function<std::vector<SerialPortEntry>()>& SerialPortLister();

struct LinkCheckResult {
  bool Opened = false;    // the port or socket could be opened
  bool Answered = false;  // a controller answered Identify
  ModelRecord Identity;   // when it answered
  std::string Text;       // what the dialog shows
};

// Opens the transport of `settings`, asks the controller who it is, closes again. Shows
// no boxes: everything is in the result's text. `options.AnswerWaitMs` bounds the wait.
LinkCheckResult CheckLink(const LinkSettings& settings, const TransportOptions& options);

}  // namespace vilk
