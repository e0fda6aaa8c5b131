#include "signals/names.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace vilk {

void MarkRepeats(std::vector<std::string>& names) {
  // Views into the names themselves: a name is changed at most once, and its view is taken
  // after that; the vector never grows.
  std::unordered_set<std::string_view> taken;
  taken.reserve(names.size() * 2);
  // Per repeated name, the lowest number not tried yet: numbers only grow, so no candidate
  // is ever tried twice for the same name.
  std::unordered_map<std::string_view, std::size_t> next;
  std::string candidate;
  for (std::size_t j = 0; j < names.size(); ++j) {
    const auto [first, added] = taken.insert(names[j]);
    if (added) continue;
    const std::string_view base = *first;  // the first holder's name, never changed
    std::size_t& from = next[base];
    std::size_t index = std::max(from, j);
    do {
      candidate.assign(base).append("_повтор").append(std::to_string(index++));
    } while (taken.count(candidate));
    from = index;
    names[j] = candidate;
    taken.insert(names[j]);
  }
}

}  // namespace vilk
