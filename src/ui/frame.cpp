#include "frame.h"

#include <QHash>

#include "signals/params.h"

namespace vilk::ui {

ItemFrame::ItemFrame(TItem* item, QWidget* parent) : QWidget(parent), item_(item) {}

void ItemFrame::SetToFrame() {
  loading_ = true;
  for (auto& load : loads_) load();
  loading_ = false;
}

void ItemFrame::GetFromFrame() {
  for (auto& store : stores_) store();
}

void ItemFrame::Bind(std::function<void()> load, std::function<void()> store) {
  loads_.push_back(std::move(load));
  stores_.push_back(std::move(store));
}

void ItemFrame::MarkModified() {
  if (!loading_) emit Modified();
}

namespace {
QHash<int, FrameFactory>& Registry() {
  static QHash<int, FrameFactory> registry;
  return registry;
}
}  // namespace

void RegisterFrame(int key, FrameFactory factory) {
  Registry().insert(key, std::move(factory));
}

int FrameKey(const TItem* item) {
  if (!item->Parent()) return -1;
  if (const auto* list = dynamic_cast<const TParams*>(item)) return 1000 + list->SignalKind;
  if (item->Level() >= 3) return DeviceFrameKey(item->Parent()->Kind, item->Kind);
  return item->Kind;
}

ItemFrame* CreateFrame(TItem* item, QWidget* parent) {
  RegisterBuiltInFrames();
  auto it = Registry().find(FrameKey(item));
  if (it == Registry().end()) return nullptr;
  ItemFrame* frame = (*it)(item, parent);
  if (frame) frame->SetToFrame();
  return frame;
}

}  // namespace vilk::ui
