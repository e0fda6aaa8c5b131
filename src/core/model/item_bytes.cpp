#include "model/item_bytes.h"

#include <memory>

#include "model/image.h"

namespace vilk {

std::vector<std::uint8_t> ItemBytes(TItem& item) {
  if (!item.Parent()) return {};
  auto scratch = std::make_unique<ConfigImage>();
  TConfig cfg(*scratch);
  cfg.StartWrite(0, kMaxImageSize);
  item.Save(cfg);
  const std::uint8_t* data = scratch->Data();
  return std::vector<std::uint8_t>(data, data + cfg.Cursor());
}

}  // namespace vilk
