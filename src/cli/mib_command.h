#pragma once
// vilkcfg mib: reads a MIB module as the MIB dialog does.
#include <iosfwd>
#include <string>
#include <vector>

namespace vilk::cli {

// `args` are the words after "mib". Returns the exit status.
int RunMib(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vilk::cli
