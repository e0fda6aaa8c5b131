#pragma once
// `vilkcfg diff A.cfg B.cfg`: what differs from A to B, item by item.
#include <ostream>
#include <string>
#include <vector>

namespace vilk::cli {

int RunDiff(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vilk::cli
