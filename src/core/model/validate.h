#pragma once
// The validation report: every problem of a configuration at once, each with its severity,
// the caption path of the item it concerns and a message for the user. Errors are what
// stops saving (the save checks) or would leave the controller unable to poll or serve;
// warnings do not stop anything.
#include <string>
#include <vector>

namespace vilk {

class Configuration;
class TItem;

enum class Severity { Error, Warning };

struct Problem {
  Severity Level = Severity::Error;
  const TItem* Item = nullptr;  // the item the problem concerns (the controller for the whole)
  std::string Path;             // CaptionPath of Item
  std::string Message;
};

// Runs every check on the tree as it stands; the tree is not changed and nothing is shown
// (the save checks run into a scratch image with their messages collected).
std::vector<Problem> Validate(Configuration& config);

bool HasErrors(const std::vector<Problem>& problems);
// "ошибка" or "предупреждение".
const char* SeverityText(Severity level);
// One line: severity, path and message separated by tabs.
std::string ProblemLine(const Problem& problem);

}  // namespace vilk
