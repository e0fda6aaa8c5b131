#pragma once
// vilkcfg: the configurator's core from the command line.
#include <iosfwd>
#include <string>
#include <vector>

namespace vilk::cli {

// Runs one command; returns the exit status (0 done, 1 refused, 2 usage error).
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vilk::cli
