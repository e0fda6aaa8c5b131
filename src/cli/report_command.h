#pragma once
// `vilkcfg report FILE.cfg OUT.html`: the commissioning report as an HTML page.
#include <ostream>
#include <string>
#include <vector>

namespace vilk::cli {

int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vilk::cli
