#pragma once
// The ladder program as text, for `vilkcfg ladder`, `vilkcfg show` and the tests.
//
// One block per task: the output's signal name ("/" before it for an inverted coil), then
// the line, indented by two spaces: contacts by signal name, "/" before an inverted one,
// "?" for a contact without a signal, "!" before the name of a signal that left the pool,
// a parallel group as "[branch | branch]", "-" for an empty line, "#ID" for a block kept
// unread. The layout form gives every element with its grid cell and size.
#include <string>

namespace vilk {

class TPortLD;

// The line of task `task` ("A /B [C | D]"), with the output first: "Выход = A /B".
std::string LadderTaskText(const TPortLD& port, int task);
std::string LadderText(const TPortLD& port);
std::string LadderLayoutText(const TPortLD& port);

}  // namespace vilk
