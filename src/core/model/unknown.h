#pragma once
// A block this build cannot read (a kind it does not know, or a version newer than it
// reads) is kept as it was: shown greyed in the tree, not editable, and written back byte
// for byte in its place. The own signal lists inside it join the pool, so that the
// controller-wide numbers of every signal after it stay what the controller counts.
#include <cstdint>
#include <string>
#include <vector>

#include "model/item.h"

namespace vilk {

class TUnknown : public TPort {
 public:
  // `block` is the whole block (header, values, nested blocks); `version` the stored
  // record version, 0 when the kind itself is unknown.
  TUnknown(Configuration& config, int level, std::vector<std::uint8_t> block, int version);

  int StoredVersion() const { return version_; }
  std::uint16_t BlockId() const override { return blockId_; }
  void UpdateCaption() override;
  void LoadFromImage(TConfig& cfg) override;
  // Builds the read-only own lists found inside the block, read where the block lies in
  // `cfg`'s image, its header at `header` (call once the item is in the tree).
  void AddKeptLists(TConfig& cfg, std::size_t header);

 private:
  int level_;
  int version_;
  std::uint16_t blockId_;
};

// The items of a configuration kept unread, in tree order, each as one line for a report:
// the caption path and what was kept.
std::vector<std::string> KeptUnreadReport(const TItem& root);

// "Неизвестный тип устройства,\rID = " + code
std::string UnknownDeviceMessage(int code);

}  // namespace vilk
