#include "model/search.h"

#include "base/text.h"
#include "model/show.h"
#include "signals/params.h"

namespace vilk {

void SearchIndex::Build(TItem& root) {
  entries_.clear();
  std::vector<TItem*> stack{&root};
  while (!stack.empty()) {
    TItem* item = stack.back();
    stack.pop_back();
    entries_.push_back({item, -1, FoldCase(item->Caption())});
    // Own lists hold every signal once; selections only point at them.
    if (TParams* list = item->AsParams(); list && list->ListRole == kRoleOwn)
      for (int i = 0; i < list->Count(); ++i)
        if (const TParam* s = list->At(i); s && !s->Name().empty())
          entries_.push_back({item, i, FoldCase(s->Name())});
    for (int i = item->ChildCount() - 1; i >= 0; --i) stack.push_back(item->Child(i));
  }
}

std::vector<SearchHit> SearchIndex::Find(std::string_view text, std::size_t limit,
                                         std::size_t* total) const {
  std::vector<SearchHit> hits;
  std::size_t count = 0;
  if (!text.empty()) {
    const std::string needle = FoldCase(text);
    for (const Entry& e : entries_) {
      if (e.Folded.find(needle) == std::string::npos) continue;
      if (++count > limit) continue;
      SearchHit hit;
      hit.Item = e.Item;
      hit.Row = e.Row;
      if (e.Row < 0) {
        hit.Text = e.Item->Caption();
      } else {
        const TParam* s = e.Item->AsParams()->At(e.Row);
        hit.Text = s ? s->Name() : std::string();
      }
      hit.Owner = CaptionPath(*e.Item);
      hits.push_back(std::move(hit));
    }
  }
  if (total) *total = count;
  return hits;
}

}  // namespace vilk
