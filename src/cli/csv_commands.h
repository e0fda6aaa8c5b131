#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace vilk::cli {

// csv-export FILE.cfg PATH OUT.csv / csv-import [--dry-run] [--skip-errors] FILE.cfg PATH
// IN.csv OUT.cfg: a signal list (at the caption path PATH) to and from CSV.
int RunCsv(const std::string& command, const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err);

}  // namespace vilk::cli
