#include "model/unknown.h"

#include "base/format.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "signals/params.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyOwnNames = 41;  // only an own list stores its names

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// Whether the block at `at` (whose values end at `end`) stores names of its own.
bool HasOwnNames(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t end) {
  at += 8;
  while (at + 8 <= end && U16(b, at) == kValueTag) {
    const std::uint32_t len = U32(b, at + 4);
    if (len < 8 || len > end - at) return false;
    if (U16(b, at + 2) == kKeyOwnNames) return true;
    at += len;
  }
  return false;
}
}  // namespace

TUnknown::TUnknown(Configuration& config, int level, std::vector<std::uint8_t> block, int version)
    : TPort(config), level_(level), version_(version) {
  blockId_ = block.size() >= 8 ? U16(block, 2) : 0;
  Kind = static_cast<std::uint8_t>(blockId_);
  Number = 255;
  ImageIndex = kImageUnknown;
  SetIcon(kImageUnknown);
  Menu = level >= 2 ? PopupMenu::Delete : PopupMenu::None;
  SetName(level == 2 ? "Неизвестный порт" : "Неизвестное устройство");
  Keep(std::move(block));
  UpdateCaption();
}

void TUnknown::UpdateCaption() {
  std::string caption = Format("%s, ID = %d", Name(), static_cast<int>(blockId_));
  if (version_ > 0) caption += Format(", версия %d", version_);
  SetCaption(caption);
}

void TUnknown::LoadFromImage(TConfig&) {}

void TUnknown::AddKeptLists() {
  const std::vector<std::uint8_t>& b = KeptBlock();
  std::unique_ptr<ConfigImage> scratch;
  // Pre-order over the nested blocks, as the pool collects the lists of a known kind.
  std::size_t at = 8;
  std::vector<std::size_t> ends{b.size()};
  while (!ends.empty()) {
    if (at >= ends.back()) {
      at = ends.back();
      ends.pop_back();
      continue;
    }
    if (at + 8 > ends.back()) break;
    const std::uint16_t tag = U16(b, at);
    const std::uint32_t len = U32(b, at + 4);
    if ((tag != kBlockTag && tag != kValueTag) || len < 8 || len > ends.back() - at) break;
    if (tag == kValueTag) {
      at += len;
      continue;
    }
    const int kind = SignalKindOfBlock(U16(b, at + 2));
    if (!kind) {
      ends.push_back(at + len);
      at += 8;
      continue;
    }
    if (HasOwnNames(b, at, at + len)) {
      if (!scratch) {
        scratch = std::make_unique<ConfigImage>();
        scratch->Assign(b);
      }
      TItem* list = Config().Append(this, MakeParams(Config(), kind, kRoleOwn, this));
      TConfig cfg(*scratch);
      cfg.StartRead(at, at + len);
      cfg.NextBlock();
      list->LoadFromImage(cfg);
      list->UpdateCaption();
    }
    at += len;
  }
}

std::vector<std::string> KeptUnreadReport(const TItem& root) {
  std::vector<std::string> lines;
  std::vector<std::pair<const TItem*, std::string>> stack{{&root, ""}};
  while (!stack.empty()) {
    auto [item, path] = stack.back();
    stack.pop_back();
    const std::string here = path.empty() ? item->Caption() : path + "/" + item->Caption();
    if (item->IsKept()) {
      lines.push_back(Format("Блок не прочитан, сохраняется без изменений: %s (ID = %d, %d байт)",
                             here, static_cast<int>(item->BlockId()),
                             static_cast<int>(item->KeptBlock().size())));
      continue;
    }
    for (int i = item->ChildCount(); i-- > 0;) stack.push_back({item->Child(i), here});
  }
  return lines;
}

std::string UnknownDeviceMessage(int code) {
  return Format("Неизвестный тип устройства,\rID = %d", code);
}

}  // namespace vilk
