#include "model/unknown.h"

#include "base/format.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "signals/params.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyOwnNames = 41;  // only an own list stores its names

// Whether the block at `at` (ending at `end`) stores names of its own.
bool HasOwnNames(const ConfigImage& image, std::size_t at, std::size_t end) {
  at += 8;
  while (at + 8 <= end && image.U16(at) == kValueTag) {
    const std::uint32_t len = image.U32(at + 4);
    if (len < 8 || len > end - at) return false;
    if (image.U16(at + 2) == kKeyOwnNames) return true;
    at += len;
  }
  return false;
}
}  // namespace

TUnknown::TUnknown(Configuration& config, int level, std::vector<std::uint8_t> block, int version)
    : TPort(config), level_(level), version_(version) {
  blockId_ = block.size() >= 8 ? static_cast<std::uint16_t>(block[2] | (block[3] << 8)) : 0;
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

void TUnknown::AddKeptLists(TConfig& cfg, std::size_t header) {
  ConfigImage& image = cfg.Image();
  const std::size_t blockEnd = header + KeptBlock().size();
  // Pre-order over the nested blocks, as the pool collects the lists of a known kind. The
  // loader has checked the stream; the bounds are checked again all the same.
  std::size_t at = header + 8;
  std::vector<std::size_t> ends{blockEnd};
  while (!ends.empty()) {
    if (at >= ends.back()) {
      at = ends.back();
      ends.pop_back();
      continue;
    }
    if (at + 8 > ends.back()) break;
    const std::uint16_t tag = image.U16(at);
    const std::uint32_t len = image.U32(at + 4);
    if ((tag != kBlockTag && tag != kValueTag) || len < 8 || len > ends.back() - at) break;
    if (tag == kValueTag) {
      at += len;
      continue;
    }
    const int kind = SignalKindOfBlock(image.U16(at + 2));
    if (!kind) {
      ends.push_back(at + len);
      at += 8;
      continue;
    }
    if (HasOwnNames(image, at, at + len)) {
      TItem* list = Config().Append(this, MakeParams(Config(), kind, kRoleOwn, this));
      TConfig sub(image);
      sub.StartRead(at, at + len);
      sub.NextBlock();
      list->LoadFromImage(sub);
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
