#pragma once
// The listings of `vilkcfg tree`, `signals` and `show`, as text and as JSON for scripts.
#include <ostream>

namespace vilk {
class TItem;
class TStorage;
}  // namespace vilk

namespace vilk::cli {

void PrintTree(std::ostream& out, const TItem& root, bool json);
void PrintSignals(std::ostream& out, const TStorage& pool, bool json);
// `from` and everything below it: one section per item, "key = value" lines.
void PrintShow(std::ostream& out, const TItem& from, bool json);

}  // namespace vilk::cli
