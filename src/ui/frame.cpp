#include "frame.h"

#include <map>

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
  auto it = Registry().find(KeyOf(*item));
  if (it == Registry().end()) return nullptr;
  ItemFrame* frame = it->second(item, parent);
  if (frame) frame->SetToFrame();
  return frame;
}

}  // namespace vilk::ui
