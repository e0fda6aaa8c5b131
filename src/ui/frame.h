#pragma once
// The contract of every editor frame: it shows one item (SetToFrame) and writes the
// user's edits back into it (GetFromFrame). Frames are built with Form, which binds each
// widget to an item field so that both directions come for free.
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "model/kinds.h"

namespace vilk::ui {

// A frame command that writes a file from the item ("Экспортировать ..."): the button's
// text, the save dialog's filter, the extension proposed from the last export, the writer.
struct ExportCommand {
  QString Text;
  QString Filter;
  QString Extension;
  std::function<bool(const std::string& path)> Write;
};

class ItemFrame : public QWidget {
  Q_OBJECT
 public:
  ItemFrame(TItem* item, QWidget* parent);

  TItem* Item() const { return item_; }
  virtual void SetToFrame();
  // Writes the widgets into the item. An input that does not check out makes the frame
  // show why (the configuration's error box) and return false; the item is then unchanged.
  // An override checks before it writes anything and calls this before its own writes.
  virtual bool GetFromFrame();
  // The help page of this frame's kind (HelpContextOf its kind key).
  virtual int HelpContext() const;

  // GetFromFrame, then the configuration hears of the edit when the item's saved bytes
  // changed. Whoever needs the frame's values in the item (the tree editor, a save, the
  // frame's own commands) writes back through this.
  bool Store();
  // For a frame command that changes the item directly, outside GetFromFrame.
  void ItemEdited();

  // Binds a widget to a field: `load` fills the widget, `store` writes it back. `check`,
  // when given, runs before any store of the frame and may refuse (it shows why).
  void Bind(std::function<void()> load, std::function<void()> store,
            std::function<bool()> check = {});
  bool Loading() const { return loading_; }

  // Export commands: the frame's values go to the item first (a refusal stops the
  // export), then the user picks the file. The name picked is remembered for the frame's
  // other exports. Tests replace the chooser.
  std::function<QString(const QString& filter, const QString& suggested)> ChooseFile;
  bool Export(const ExportCommand& command);

 private:
  TItem* item_;
  std::vector<std::function<void()>> loads_, stores_;
  std::vector<std::function<bool()>> checks_;
  bool loading_ = false;
  QString exportFile_;
};

using FrameFactory = std::function<ItemFrame*(TItem*, QWidget*)>;
// Frame factories keyed like the kind table: (parent kind, code). Signal lists are keyed
// (kAnyParent, block id), the controller (kRootParent, kControllerCode).
void RegisterFrame(KindKey key, FrameFactory factory);
bool HasFrame(KindKey key);
ItemFrame* CreateFrame(TItem* item, QWidget* parent);
void RegisterBuiltInFrames();

}  // namespace vilk::ui
