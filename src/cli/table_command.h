#pragma once
// vilkcfg table: an IEC-103 device's address table to and from the table editor's
// tab-separated text.
#include <iosfwd>
#include <string>
#include <vector>

namespace vilk::cli {

// `args` are the words after "table": FILE.cfg PATH KIND --export OUT.txt, or FILE.cfg PATH
// KIND --import IN.txt OUT.cfg. Returns the exit status.
int RunTable(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vilk::cli
