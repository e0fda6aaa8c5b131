#include "validate_output.h"

#include "base/format.h"

namespace vilk::cli {

std::string JsonText(const std::string& text) {
  std::string json = "\"";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += ch;
    } else if (c == '\n') {
      json += "\\n";
    } else if (c == '\t') {
      json += "\\t";
    } else if (c < 0x20) {
      json += Format("\\u%4.4x", static_cast<int>(c));
    } else {
      json += ch;
    }
  }
  return json + '"';
}

void PrintProblems(std::ostream& out, const std::vector<Problem>& problems, bool json) {
  if (!json) {
    for (const Problem& p : problems) out << ProblemLine(p) << '\n';
    return;
  }
  out << '[';
  bool first = true;
  for (const Problem& p : problems) {
    out << (first ? "\n" : ",\n")
        << "{\"severity\":" << JsonText(p.Level == Severity::Error ? "error" : "warning")
        << ",\"path\":" << JsonText(p.Path) << ",\"message\":" << JsonText(p.Message) << '}';
    first = false;
  }
  out << "\n]\n";
}

}  // namespace vilk::cli
