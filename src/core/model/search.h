#pragma once
// Search over a configuration: the captions of its nodes and the names of every signal of
// its own lists, case-insensitive, by part of the text. The index folds each text once, so
// that a search per keystroke is a scan of prepared strings.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/item.h"

namespace vilk {

class TParams;

struct SearchHit {
  TItem* Item = nullptr;  // the node, or the signal's list
  int Row = -1;           // the signal's row in that list; -1 for a node
  std::string Text;       // the caption or signal name found
  std::string Owner;      // caption path of the node or of the signal's list
};

class SearchIndex {
 public:
  // Indexes `root` and everything below it.
  void Build(TItem& root);
  void Clear() { entries_.clear(); }
  std::size_t Size() const { return entries_.size(); }
  // Hits for `text` in tree order, nodes and signals mixed, at most `limit`; `total` (when
  // given) receives how many there are in all. Empty text finds nothing.
  std::vector<SearchHit> Find(std::string_view text, std::size_t limit,
                              std::size_t* total = nullptr) const;

 private:
  struct Entry {
    TItem* Item;
    int Row;
    std::string Folded;
  };
  std::vector<Entry> entries_;
};

}  // namespace vilk
