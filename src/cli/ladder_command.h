#pragma once
// vilkcfg ladder and ladder-sim: the discrete-logic program as text, its grid layout, and
// scans of it run offline against given inputs.
#include <iosfwd>
#include <string>
#include <vector>

namespace vilk::cli {

// `cmd` is "ladder" or "ladder-sim"; `args` the words after it. Returns the exit status.
int RunLadder(const std::string& cmd, const std::vector<std::string>& args, std::ostream& out,
              std::ostream& err);

}  // namespace vilk::cli
