#pragma once
// The bytes one item writes into an image: comparing them before and after an edit tells
// whether the edit changed anything that would be saved.
#include <cstdint>
#include <vector>

#include "model/item.h"

namespace vilk {

// The item's whole block (its values and its children's blocks) as a save writes it,
// written to a scratch image. The controller has no block of its own (its writer is the
// whole-tree writer with the save checks), so the root gives an empty result.
std::vector<std::uint8_t> ItemBytes(TItem& item);

}  // namespace vilk
