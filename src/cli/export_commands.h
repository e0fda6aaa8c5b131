#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace vilk::cli {

// export-xml FILE.cfg N OUT.xml / export-ini FILE.cfg N OUT.ini: the N-th PC's signal list.
int RunExport(const std::string& command, const std::vector<std::string>& args, std::ostream& out,
              std::ostream& err);

}  // namespace vilk::cli
