#pragma once
// The device commands over one transport: locating the controller's configuration, reading
// and writing controller files, restart, clock, value reads. Each opens the transport for
// its own duration and closes it on every way out.
//
// The commands block and talk to the user through IMessages (errors, confirmations) and
// the login prompt, from the thread that runs them. They never touch a configuration:
// what they find out (the identity, the bytes of a file) goes back to the caller, who
// applies it on the configuration's own thread (see commands.h).
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "link/link_settings.h"
#include "link/protocol.h"

namespace vilk {

// The controller's configuration file.
inline const char kConfigurationFile[] = "VilkA2.cfg";
inline const char kPasswordFile[] = "Password.ini";
inline const char kAutomationFile[] = "Auto.shm";

// Largest file that the transfer buffer (the configuration image) takes.
constexpr std::size_t kMaxTransferSize = 0x100000;

struct LocateResult {
  std::string FileName;  // empty: the command stops (the message has been shown)
  ModelRecord Identity;  // what the controller reported, or the stand-in of an old one
  bool Found() const { return !FileName.empty(); }
};

class DeviceSession {
 public:
  // `settings` is a snapshot: the command works on it, never on the dialog's values.
  DeviceSession(Transport& transport, const LinkSettings& settings, IMessages& messages,
                LoginState& login, IClock& clock = SystemClock());

  void SetProgress(IProgress* progress) { progress_ = progress ? progress : &noProgress_; }
  void SetNetworkSteps(INetworkSteps* steps) { net_ = steps ? steps : &noNet_; }
  // Opens the login dialog; false when it was cancelled. Without one, a write that needs
  // a login stops.
  void SetLoginPrompt(std::function<bool()> prompt) { loginPrompt_ = std::move(prompt); }
  // The pause between opening the link and the first request, which lets the line and the
  // controller's ARP entry settle.
  void SetSettlingPause(std::chrono::milliseconds pause) { settle_ = pause; }
  // Logs every exchange of this session there (none: nothing is logged).
  void SetLog(LinkLog* log) { protocol_.Log = log; }

  LinkProtocol& Protocol() { return protocol_; }
  const LinkSettings& Settings() const { return settings_; }

  // Identifies the controller and names its configuration file ("VilkA2.cfg"); an old
  // controller that does not answer Identify but has the file counts as type 23, version
  // 1.5. Shows "Контроллер ВИЛК не найден" or "Обновите программу ..." and returns an
  // empty name when the command must stop.
  LocateResult LocateConfiguration();
  // Reads a whole controller file. `out` receives it only when every segment arrived; on
  // failure it is left as it was.
  bool ReadControllerFile(const std::string& name, std::vector<std::uint8_t>& out);
  // Writes a whole controller file after the confirmation (and the login, when nobody is
  // logged in). A refused password (1234) logs the user out.
  // `note` goes before the question's own text (the model change of a configuration).
  bool WriteControllerFile(std::span<const std::uint8_t> data, const std::string& name,
                           const std::string& note = {});
  // Confirmation, then the restart request (no answer is awaited).
  bool Restart();
  // Sets the controller's clock from the computer's; "Время установлено." on success.
  bool SetTime();
  // Opens, reads one value, closes.
  bool ReadValue(std::uint16_t address, std::int32_t& value);

  // The live value view keeps the link open between its reads.
  bool OpenLink();
  void CloseLink();

 private:
  bool OpenOrComplain();

  Transport& transport_;
  LinkSettings settings_;
  LinkProtocol protocol_;
  IProgress noProgress_;
  INetworkSteps noNet_;
  IProgress* progress_ = &noProgress_;
  INetworkSteps* net_ = &noNet_;
  std::function<bool()> loginPrompt_;
  std::chrono::milliseconds settle_{20};
};

// The message for a file that does not fit the transfer buffer.
std::string TooLargeMessage(const std::string& name, std::uintmax_t size);

}  // namespace vilk
