#pragma once
// vilkcfg: the configurator's core from the command line.
#include <iosfwd>
#include <string>
#include <vector>

namespace vilk::cli {

// Runs one command; returns the exit status (0 done, 1 refused, 2 usage error).
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The controller commands (identify, read-config, ...) talk over the real transports, which
// need Qt: they run in vilkcfg-link. A program that links them in registers their runner.
bool IsDeviceCommand(const std::string& command);
using DeviceRunner = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
void SetDeviceRunner(DeviceRunner runner);

}  // namespace vilk::cli
