#include "model/item.h"

#include "base/format.h"
#include "base/text.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/record.h"
#include "model/unknown.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk {

TItem::TItem(Configuration& config) : config_(&config) {}

TItem::~TItem() {
  // Children go first, last to first, so that links and signal holds are dropped while
  // their owners still exist.
  while (!children_.empty()) children_.pop_back();
}

void TItem::SetName(std::string_view name) {
  name_ = Truncate(name, kMaxNameChars);
}

void TItem::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  config_->NotifyChanged(this);
}

void TItem::SetIcon(int icon) {
  if (icon == icon_) return;
  icon_ = icon;
  config_->NotifyChanged(this);
}

void TItem::SetStateIcon(int icon) {
  if (icon == stateIcon_) return;
  stateIcon_ = icon;
  config_->NotifyChanged(this);
}

int TItem::Row() const {
  if (!parent_) return 0;
  const auto& siblings = parent_->children_;
  for (std::size_t i = 0; i < siblings.size(); ++i)
    if (siblings[i].get() == this) return static_cast<int>(i);
  return -1;
}

int TItem::Level() const {
  int level = 0;
  for (const TItem* p = parent_; p; p = p->parent_) ++level;
  return level;
}

TStorage& TItem::Storage() const {
  return config_->Storage();
}

std::string TItem::GetChannelName(int) const {
  return {};
}
std::string TItem::ChannelName(const TParams&, int index) const {
  return GetChannelName(index);
}
TItem* TItem::AddChild(int) {
  return nullptr;
}
TItem* TItem::DuplicateChild(TItem*) {
  return nullptr;
}

void TItem::Save(TConfig& cfg) {
  if (IsKept())
    cfg.WriteRaw(kept_);
  else
    SaveToImage(cfg);
}

bool TItem::IsReadOnly() const {
  for (const TItem* p = this; p; p = p->parent_)
    if (p->IsKept()) return true;
  return false;
}

void TItem::LoadFromImage(TConfig& cfg) {
  ReadVersion(cfg);
}

void TItem::SaveToImage(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(BlockId());
  WriteVersion(cfg);
  for (const auto& child : children_) child->Save(cfg);
  cfg.EndBlock(start);
}

// Own lists go to the pool; everything else passes the call on, so a port with devices
// reaches its devices' lists in tree order.
void TItem::CollectSignals(TStorage& pool) {
  for (const auto& child : children_) {
    if (TParams* list = child->AsParams()) {
      if (list->ListRole == kRoleOwn && !list->AppendTo(pool.List(list->SignalKind)))
        pool.MarkOverflow(list->SignalKind);
    } else {
      child->CollectSignals(pool);
    }
  }
}

void TItem::RelinkSignals() {
  for (const auto& child : children_) {
    if (TParams* list = child->AsParams()) {
      if (list->ListRole == kRoleSelection) Storage().Relink(*list);
    } else {
      child->RelinkSignals();
    }
  }
}

TParams* TItem::AsParams() {
  return dynamic_cast<TParams*>(this);
}
TPort* TItem::AsPort() {
  return dynamic_cast<TPort*>(this);
}
TBlock* TItem::AsBlock() {
  return dynamic_cast<TBlock*>(this);
}

bool TItem::ReadVersion(TConfig& cfg) {
  std::uint8_t v = 0;
  if (cfg.ReadScalar(kVersionKey, v) && v > MaxVersion()) {
    config_->Messages().Error("Новая версия " + name_);
    if (KeepsNewerBlock()) Keep(cfg.BlockBytes(cfg.Cursor() - 8));
    return false;
  }
  return true;
}

void TItem::WriteVersion(TConfig& cfg) const {
  cfg.WriteScalar<std::uint8_t>(kVersionKey, Version);
}

std::size_t TItem::OwnBlockEnd(TConfig& cfg) {
  // On entry to LoadFromImage the cursor stands right after the item's header.
  const std::size_t header = cfg.Cursor() - 8;
  const ConfigImage& image = cfg.Image();
  const std::size_t len = image.U32(header + 4);
  return len > cfg.Limit() - header ? cfg.Limit() : header + len;
}

int TItem::PeekChild(TConfig& cfg, std::size_t end) {
  // Only a header inside the parent's block: the next sibling must never be taken for a child.
  if (cfg.Cursor() >= end) return kNoBlock;
  return cfg.PeekBlockBefore(end);
}

void TItem::LoadChild(TConfig& cfg, TItem* child) {
  cfg.NextBlock();
  const std::size_t header = cfg.Cursor() - 8;
  if (child) child->LoadFromImage(cfg);
  cfg.SkipBlockAt(header);
}

TItem* TItem::LoadOrKeepNextChild(TConfig& cfg, std::unique_ptr<TItem> made) {
  const int id = cfg.NextBlock();
  if (id == kNoBlock) return nullptr;
  const std::size_t header = cfg.Cursor() - 8;
  std::uint8_t version = 0;
  const bool newer = made && cfg.ReadScalar(kVersionKey, version) && version > made->MaxVersion();
  TItem* item = nullptr;
  if (made && !newer) {
    item = config_->Append(this, std::move(made));
    item->UpdateCaption();
    item->LoadFromImage(cfg);
    item->UpdateCaption();
  } else {
    const int level = Level() + 1;
    if (made)
      config_->Messages().Error("Новая версия " + made->Name());
    else
      config_->Messages().Error(level == 2 ? UnknownPortMessage(id) : UnknownDeviceMessage(id));
    auto kept =
        std::make_unique<TUnknown>(*config_, level, cfg.BlockBytes(header), made ? version : 0);
    auto* unknown = static_cast<TUnknown*>(config_->Append(this, std::move(kept)));
    unknown->AddKeptLists(cfg, header);
    item = unknown;
  }
  cfg.SkipBlockAt(header);
  return item;
}

void TItem::SaveRecordBlock(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(BlockId());
  WriteVersion(cfg);
  if (const RecordDesc* record = Record()) record->Save(cfg, *this);
  for (const auto& child : children_) child->Save(cfg);
  cfg.EndBlock(start);
}

void TItem::SaveKeptChildren(TConfig& cfg) {
  for (const auto& child : children_)
    if (child->IsKept()) child->Save(cfg);
}

TItem* TItem::DuplicateByImage(TItem* child) {
  if (!child || child->Parent() != this) return nullptr;
  auto copy = MakeDevice(*config_, Kind, child->Kind);
  if (!copy) return nullptr;
  Storage().ForceRebuild();  // selections are written as pool positions
  auto scratch = std::make_unique<ConfigImage>();
  TConfig cfg(*scratch);
  cfg.StartWrite(0, kMaxImageSize);
  child->SaveToImage(cfg);
  if (cfg.Overflow()) return nullptr;
  cfg.StartRead(0, cfg.Cursor());
  TItem* item = config_->Append(this, std::move(copy));
  LoadChild(cfg, item);
  item->UpdateCaption();
  if (TPort* port = item->AsPort()) port->AfterLoad();
  Storage().RebuildPool();
  return item;
}

// --- TBlock ---

TBlock::~TBlock() {
  if (LinkedPort) {
    LinkedPort->LinkedBoard = nullptr;
    LinkedPort->SetIcon(0);
  }
}

void TBlock::Unlink() {
  if (LinkedPort) {
    TPort* port = LinkedPort;
    LinkedPort = nullptr;
    port->LinkedBoard = nullptr;
    port->SetIcon(0);
  }
  SetIcon(0);
}

void TBlock::GoToLinked() {
  if (LinkedPort) Config().RequestSelect(LinkedPort);
}

void TBlock::UpdateCaption() {
  SetCaption(Format("%d_Плата %s", Number, Name()));
}

void TBlock::PortChanged(TPort* port, std::uint16_t bits, std::vector<TBlock*>& list) {
  if ((BoardMask & bits) && (!LinkedPort || LinkedPort == port)) list.push_back(this);
}

bool TBlock::Attach(TPort* port) {
  if (LinkedPort && LinkedPort != port) return false;
  if (port->LinkedBoard && port->LinkedBoard != this) port->LinkedBoard->Unlink();
  LinkedPort = port;
  port->LinkedBoard = this;
  SetIcon(ImageIndex);
  return true;
}

void TBlock::SetNumber(std::uint8_t number) {
  Number = number;
  NumberSet.reset();
  NumberSet.set(number);
  UpdateCaption();
}

// --- TPort ---

TPort::~TPort() {
  if (LinkedBoard) {
    LinkedBoard->LinkedPort = nullptr;
    LinkedBoard->SetIcon(0);
  }
}

void TPort::Unlink() {
  if (LinkedBoard) {
    TBlock* board = LinkedBoard;
    LinkedBoard = nullptr;
    board->LinkedPort = nullptr;
    board->SetIcon(0);
  }
  SetIcon(0);
}

void TPort::GoToLinked() {
  if (LinkedBoard) Config().RequestSelect(LinkedBoard);
}

void TPort::UpdateCaption() {
  SetCaption(Format("%d_Порт %s", Number, Name()));
}

void TPort::AfterLoad() {
  for (int i = 0; i < ChildCount(); ++i) {
    TItem* child = Child(i);
    if (TParams* list = child->AsParams()) {
      if (list->NeedsResolve) list->Resolve();
    } else if (TPort* device = child->AsPort()) {
      device->AfterLoad();
    }
  }
}

}  // namespace vilk
