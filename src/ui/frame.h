#pragma once
// The contract of every editor frame: it shows one item (SetToFrame) and writes the
// user's edits back into it (GetFromFrame). Frames are built with Form, which binds each
// widget to an item field so that both directions come for free.
#include <QWidget>
#include <functional>
#include <vector>

#include "model/kinds.h"

namespace vilk::ui {

class ItemFrame : public QWidget {
  Q_OBJECT
 public:
  ItemFrame(TItem* item, QWidget* parent);

  TItem* Item() const { return item_; }
  virtual void SetToFrame();
  virtual void GetFromFrame();
  virtual int HelpContext() const { return 1; }

  // Binds a widget to a field: `load` fills the widget, `store` writes it back.
  void Bind(std::function<void()> load, std::function<void()> store);
  bool Loading() const { return loading_; }

  // Called by bound widgets when the user changes them.
  void MarkModified();

 signals:
  // The user changed something (not emitted while the frame is being filled).
  void Modified();

 private:
  TItem* item_;
  std::vector<std::function<void()>> loads_, stores_;
  bool loading_ = false;
};

using FrameFactory = std::function<ItemFrame*(TItem*, QWidget*)>;
// Frame factories keyed like the kind table: (parent kind, code). Signal lists are keyed
// (kAnyParent, block id), the controller (kRootParent, kControllerCode).
void RegisterFrame(KindKey key, FrameFactory factory);
bool HasFrame(KindKey key);
ItemFrame* CreateFrame(TItem* item, QWidget* parent);
void RegisterBuiltInFrames();

}  // namespace vilk::ui
