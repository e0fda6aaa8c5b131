#include "frame.h"

#include "frames/kept_frame.h"
#include "help_pages.h"

#include <QFileDialog>
#include <QFileInfo>
#include <map>

#include "model/configuration.h"
#include "model/item_bytes.h"
#include "qt_text.h"
#include "signals/params.h"

namespace vilk::ui {

ItemFrame::ItemFrame(TItem* item, QWidget* parent) : QWidget(parent), item_(item) {
  ChooseFile = [this](const QString& filter, const QString& suggested) {
    return QFileDialog::getSaveFileName(this, QString(), suggested, filter);
  };
}

void ItemFrame::SetToFrame() {
  loading_ = true;
  for (auto& load : loads_) load();
  loading_ = false;
}

bool ItemFrame::GetFromFrame() {
  // Every check before the first store: a refusal leaves the whole item as it was.
  for (auto& check : checks_)
    if (!check()) return false;
  for (auto& store : stores_) store();
  return true;
}

bool ItemFrame::Store() {
  const std::vector<std::uint8_t> before = ItemBytes(*item_);
  if (!GetFromFrame()) return false;
  if (ItemBytes(*item_) != before) ItemEdited();
  return true;
}

void ItemFrame::ItemEdited() {
  item_->Config().NotifyEdited(item_);
}

void ItemFrame::Bind(std::function<void()> load, std::function<void()> store,
                     std::function<bool()> check) {
  loads_.push_back(std::move(load));
  stores_.push_back(std::move(store));
  if (check) checks_.push_back(std::move(check));
}

bool ItemFrame::Export(const ExportCommand& command) {
  if (!Store()) return false;
  QString suggested;
  if (!exportFile_.isEmpty()) {
    const QFileInfo last(exportFile_);
    suggested = last.path() + QLatin1Char('/') + last.completeBaseName() + QLatin1Char('.') +
                command.Extension;
  }
  const QString path = ChooseFile(command.Filter, suggested);
  if (path.isEmpty()) return false;
  exportFile_ = path;
  return command.Write(S(path));
}

namespace {
std::map<KindKey, FrameFactory>& Registry() {
  static std::map<KindKey, FrameFactory> registry;
  return registry;
}
}  // namespace

void RegisterFrame(KindKey key, FrameFactory factory) {
  Registry()[key] = std::move(factory);
}

bool HasFrame(KindKey key) {
  RegisterBuiltInFrames();
  return Registry().count(key) > 0;
}

ItemFrame* CreateFrame(TItem* item, QWidget* parent) {
  RegisterBuiltInFrames();
  // A block kept unread is shown, never edited: its kind's frame would write nothing back.
  ItemFrame* frame = nullptr;
  if (item->IsReadOnly()) {
    frame = new TKeptFrame(item, parent);
  } else {
    auto it = Registry().find(KeyOf(*item));
    if (it == Registry().end()) return nullptr;
    frame = it->second(item, parent);
  }
  if (frame) frame->SetToFrame();
  return frame;
}

int ItemFrame::HelpContext() const {
  return HelpContextOf(KeyOf(*item_));
}

}  // namespace vilk::ui
