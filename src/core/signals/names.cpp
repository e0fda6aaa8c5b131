#include "signals/names.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace vilk {

void MarkRepeats(std::vector<std::string>& names) {
  std::unordered_set<std::string> taken;
  taken.reserve(names.size() * 2);
  // Per repeated name, the lowest number not tried yet: numbers only grow, so no candidate
  // is ever tried twice for the same name.
  std::unordered_map<std::string, std::size_t> next;
  for (std::size_t j = 0; j < names.size(); ++j) {
    if (taken.insert(names[j]).second) continue;
    std::size_t& from = next[names[j]];
    std::size_t index = std::max(from, j);
    std::string candidate;
    do {
      candidate = names[j] + "_повтор" + std::to_string(index++);
    } while (taken.count(candidate));
    from = index;
    taken.insert(candidate);
    names[j] = std::move(candidate);
  }
}

}  // namespace vilk
