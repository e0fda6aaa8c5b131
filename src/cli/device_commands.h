#pragma once
// vilkcfg's controller commands: identify, read-config, write-config, get-file, put-file,
// reboot, set-time, read-value, over UDP or a serial line. They need the real transports
// (Qt), so they live in the program vilkcfg-link, which vilkcfg runs for them.
#include <iosfwd>
#include <string>
#include <vector>

namespace vilk::cli {

// `args` starts with the command. Returns the exit status (0 done, 1 refused, 2 usage).
int RunDeviceCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vilk::cli
