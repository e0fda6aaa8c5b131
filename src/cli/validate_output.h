#pragma once
// The validation report of `vilkcfg check`: one line per problem (severity, path, message,
// separated by tabs), or a JSON array for scripts.
#include <ostream>
#include <vector>

#include "model/validate.h"

namespace vilk::cli {

void PrintProblems(std::ostream& out, const std::vector<Problem>& problems, bool json);
// A JSON string literal of UTF-8 text.
std::string JsonText(const std::string& text);

}  // namespace vilk::cli
