#pragma once
// vilkcfg templates: the device template library as the port frames see it.
#include <iosfwd>
#include <string>
#include <vector>

namespace vilk::cli {

// `args` are the words after "templates". Returns the exit status.
int RunTemplates(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vilk::cli
