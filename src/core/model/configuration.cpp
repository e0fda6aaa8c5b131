#include "model/configuration.h"

#include <algorithm>

#include "controller/controller.h"
#include "signals/storage.h"

namespace vilk {

Configuration::Configuration(IMessages& messages) : messages_(&messages) {
  storage_ = std::make_unique<TStorage>(*this);
  root_ = std::make_unique<TController>(*this);
  root_->SetModel(kDefaultModel);
}

Configuration::~Configuration() {
  tearingDown_ = true;
  root_.reset();
  storage_.reset();
}

void Configuration::AddObserver(ITreeObserver* observer) {
  observers_.push_back(observer);
}

void Configuration::RemoveObserver(ITreeObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

bool Configuration::IsLive(const TItem* item) const {
  if (tearingDown_ || !root_) return false;
  while (item->Parent()) item = item->Parent();
  return item == root_.get();
}

TItem* Configuration::Insert(TItem* parent, int row, std::unique_ptr<TItem> item) {
  row = std::clamp(row, 0, parent->ChildCount());
  const bool live = IsLive(parent);
  if (live) ForEachObserver([&](ITreeObserver* o) { o->ItemAboutToBeInserted(parent, row); });
  TItem* raw = item.get();
  raw->parent_ = parent;
  parent->children_.insert(parent->children_.begin() + row, std::move(item));
  if (live) ForEachObserver([&](ITreeObserver* o) { o->ItemInserted(raw); });
  return raw;
}

void Configuration::Remove(TItem* item) {
  TItem* parent = item->parent_;
  if (!parent) return;  // the root stays
  const int row = item->Row();
  const bool live = IsLive(parent);
  if (live) ForEachObserver([&](ITreeObserver* o) { o->ItemAboutToBeRemoved(item); });
  std::unique_ptr<TItem> owned = std::move(parent->children_[static_cast<std::size_t>(row)]);
  parent->children_.erase(parent->children_.begin() + row);
  owned->parent_ = nullptr;
  owned.reset();  // frees the subtree; links are dropped by the destructors
  if (live) ForEachObserver([&](ITreeObserver* o) { o->ItemRemoved(parent, row); });
}

void Configuration::RemoveChildren(TItem* parent) {
  while (parent->ChildCount() > 0) Remove(parent->Child(parent->ChildCount() - 1));
}

void Configuration::Move(TItem* item, TItem* newParent, int row) {
  TItem* oldParent = item->parent_;
  if (!oldParent) return;
  const int oldRow = item->Row();
  row = std::clamp(row, 0, newParent->ChildCount());
  if (oldParent == newParent && (row == oldRow || row == oldRow + 1)) return;
  const bool live = IsLive(oldParent) && IsLive(newParent);
  if (live) ForEachObserver([&](ITreeObserver* o) { o->ItemAboutToBeMoved(item, newParent, row); });
  std::unique_ptr<TItem> owned = std::move(oldParent->children_[static_cast<std::size_t>(oldRow)]);
  oldParent->children_.erase(oldParent->children_.begin() + oldRow);
  if (oldParent == newParent && row > oldRow) --row;
  owned->parent_ = newParent;
  newParent->children_.insert(newParent->children_.begin() + row, std::move(owned));
  if (live) ForEachObserver([&](ITreeObserver* o) { o->ItemMoved(item); });
}

void Configuration::Adopt(TItem* item) {
  item->config_ = this;
  for (auto& child : item->children_) Adopt(child.get());
}

void Configuration::TakeTreeFrom(Configuration& other) {
  ForEachObserver([](ITreeObserver* o) { o->TreeAboutToBeReset(); });
  // Pools hold their signals without counting: empty both before the trees change hands.
  storage_->Clear();
  other.storage_->Clear();
  std::swap(root_, other.root_);
  Adopt(root_.get());
  other.Adopt(other.root_.get());
  storage_->ForceRebuild();
  ForEachObserver([](ITreeObserver* o) { o->TreeReset(); });
  // The replaced tree goes now, quietly, and `other` gets a default one.
  other.tearingDown_ = true;
  other.root_.reset();
  other.root_ = std::make_unique<TController>(other);
  other.tearingDown_ = false;
  other.root_->SetModel(kDefaultModel);
}

void Configuration::NotifyChanged(TItem* item) {
  if (observers_.empty() || !IsLive(item)) return;
  ForEachObserver([&](ITreeObserver* o) { o->ItemChanged(item); });
}

void Configuration::NotifyEdited(TItem* item) {
  if (observers_.empty() || !IsLive(item)) return;
  ForEachObserver([&](ITreeObserver* o) { o->ItemEdited(item); });
}

void Configuration::RequestSelect(TItem* item) {
  if (!IsLive(item)) return;
  ForEachObserver([&](ITreeObserver* o) { o->SelectRequested(item); });
}

void Configuration::NotifyModelApplied() {
  ForEachObserver([](ITreeObserver* o) { o->ModelApplied(); });
}

void Configuration::NotifyPoolChanged() {
  ForEachObserver([](ITreeObserver* o) { o->PoolChanged(); });
}

}  // namespace vilk
