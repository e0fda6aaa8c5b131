#pragma once
// One configuration: the item tree rooted at the controller, the signal pool, the
// message sink and the observers that mirror the tree (the window's tree view).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "model/item.h"

namespace vilk {

class TController;
class TStorage;

// Hears of every change of the live tree. "AboutTo" calls come before the change, the
// others after it, so that a Qt item model can map them onto begin/end pairs.
class ITreeObserver {
 public:
  virtual ~ITreeObserver() = default;
  virtual void ItemAboutToBeInserted(TItem* /*parent*/, int /*row*/) {}
  virtual void ItemInserted(TItem* /*item*/) {}
  virtual void ItemAboutToBeRemoved(TItem* /*item*/) {}
  virtual void ItemRemoved(TItem* /*parent*/, int /*row*/) {}
  virtual void ItemAboutToBeMoved(TItem* /*item*/, TItem* /*newParent*/, int /*newRow*/) {}
  virtual void ItemMoved(TItem* /*item*/) {}
  virtual void ItemChanged(TItem* /*item*/) {}  // caption, icon or state icon
  virtual void ItemEdited(TItem* /*item*/) {}   // the user changed the item's values
  virtual void TreeAboutToBeReset() {}
  virtual void TreeReset() {}
  virtual void SelectRequested(TItem* /*item*/) {}  // GoToLinked, the port grid, ApplyModel
  virtual void ModelApplied() {}                    // menus and model labels
  virtual void PoolChanged() {}                     // the signal pool page
};

class Configuration {
 public:
  // Creates the controller with the default model (23).
  explicit Configuration(IMessages& messages);
  ~Configuration();
  Configuration(const Configuration&) = delete;
  Configuration& operator=(const Configuration&) = delete;

  TController& Controller() const { return *root_; }
  TStorage& Storage() const { return *storage_; }
  IMessages& Messages() const { return *messages_; }
  void SetMessages(IMessages& messages) { messages_ = &messages; }

  void AddObserver(ITreeObserver* observer);
  void RemoveObserver(ITreeObserver* observer);

  // --- structure ---
  TItem* Insert(TItem* parent, int row, std::unique_ptr<TItem> item);
  TItem* Append(TItem* parent, std::unique_ptr<TItem> item) {
    return Insert(parent, parent->ChildCount(), std::move(item));
  }
  // Removes and frees the item with its subtree.
  void Remove(TItem* item);
  void RemoveChildren(TItem* parent);
  // Moves `item` to `row` of `newParent` (row counted before the item is taken out).
  void Move(TItem* item, TItem* newParent, int row);
  // Replaces this configuration's tree and pool with those of `other` (a freshly
  // loaded configuration). `other` is left with an empty default tree.
  void TakeTreeFrom(Configuration& other);

  // --- notifications (only for items of the live tree) ---
  void NotifyChanged(TItem* item);
  // The user changed values of `item` (a frame wrote back a changed record, a frame
  // command edited the item directly). Not raised by loading or by checks.
  void NotifyEdited(TItem* item);
  void RequestSelect(TItem* item);
  void NotifyModelApplied();
  void NotifyPoolChanged();

  // --- state shared by build and load ---
  bool Abort = false;           // set by a save check that must stop the build
  bool PoolPageEnabled = true;  // the pool is not rebuilt while its page is disabled
  // Set while the tree is written for the undo history: the write must change nothing and
  // move no selection (no model is applied, no check speaks).
  bool Snapshotting = false;
  // The first disagreement between what a loaded block says and what it holds; LoadImage
  // refuses the image with it ("Файл конфигурации повреждён: ...").
  std::string LoadFault;
  void ReportLoadFault(std::string fault) {
    if (LoadFault.empty()) LoadFault = std::move(fault);
  }

  bool IsLive(const TItem* item) const;

 private:
  void Adopt(TItem* item);
  template <typename F>
  void ForEachObserver(F f) {
    for (ITreeObserver* o : observers_) f(o);
  }

  IMessages* messages_;
  std::vector<ITreeObserver*> observers_;
  std::unique_ptr<TController> root_;
  std::unique_ptr<TStorage> storage_;
  bool tearingDown_ = false;
};

}  // namespace vilk
