#pragma once
// The rule that keeps the names of one list apart: a name met before gets "_повтор" and its
// position (from 0); should that be taken too, the number counts on until the name is free.
#include <string>
#include <vector>

namespace vilk {

// One hashed pass: linear in the names, whatever they are (crafted "a_повтор…" names
// included).
void MarkRepeats(std::vector<std::string>& names);

}  // namespace vilk
