#pragma once
// A stand-in controller and the tool's side of the link, over UDP on 127.0.0.1 (free
// ports at both ends) or over the stand-in's pseudo-terminal.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "link/device.h"
#include "serial_transport.h"
#include "sim_process.h"
#include "udp_transport.h"

namespace vilk::test {

enum class LinkKind { Udp, Serial };

inline std::string KindName(const ::testing::TestParamInfo<LinkKind>& info) {
  return info.param == LinkKind::Udp ? "Udp" : "Serial";
}

class SimLink {
  TempFolder root_;  // first in, last out: the stand-in stops before its folder goes
  LinkKind kind_;

 public:
  // `waitMs`: how long an answer is awaited (short, so that faults end quickly).
  SimLink(LinkKind kind, const std::vector<std::string>& simArgs, int waitMs = 1500) : kind_(kind) {
    std::filesystem::create_directories(Dir());
    std::vector<std::string> args = simArgs;
    if (kind == LinkKind::Udp) {
      args.insert(args.begin(), {"--udp", "127.0.0.1:0"});
    } else {
      args.insert(args.begin(), "--pty");
    }
    Sim = std::make_unique<SimProcess>(Dir(), root_ / "sim.log", args);
    if (kind == LinkKind::Udp) {
      UdpEndpoints e;
      e.Self = {127, 0, 0, 1};
      e.SelfPort = 0;
      e.Dest = {127, 0, 0, 1};
      e.DestPort = Sim->Port;
      e.AnswerWaitMs = waitMs;
      Link = std::make_unique<UdpTransport>(e);
      Settings.LinkMode = kLinkUdp;
      Settings.DestIP = e.Dest;
    } else {
      SerialTimings t;
      t.ReadBaseMs = waitMs;
      t.ReadPerByteMs = 0;
      Link = std::make_unique<SerialTransport>(Sim->Device, t);
      Settings.LinkMode = kLinkSerial;
      Settings.SerialDevice = Sim->Device;
    }
    Session = std::make_unique<DeviceSession>(*Link, Settings, Messages, Login);
    Session->SetSettlingPause(std::chrono::milliseconds(0));
    Session->SetLoginPrompt([this] {
      ++Prompts;
      if (PromptUser.empty()) return false;
      Login.Confirm(PromptUser, PromptPassword);
      return true;
    });
  }

  // The controller's folder.
  std::string Dir() const { return root_ / "ctl"; }
  std::string Local(const std::string& name) const { return root_ / name; }

  std::unique_ptr<SimProcess> Sim;
  std::unique_ptr<Transport> Link;
  LinkSettings Settings;
  RecordingMessages Messages;
  LoginState Login;
  std::unique_ptr<DeviceSession> Session;
  int Prompts = 0;
  std::string PromptUser;  // empty: the login dialog is cancelled
  std::string PromptPassword;
};

}  // namespace vilk::test
