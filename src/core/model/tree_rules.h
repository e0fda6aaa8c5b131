#pragma once
// Rules of the tree editor that do not need a window: which nodes may be dragged and
// where they may be dropped, and the questions asked before deleting.
#include <string>
#include <vector>

#include "model/configuration.h"

namespace vilk {

// The controller, the processor board and the IP port are fixed.
bool IsFixedNode(const TItem* item);
// Fixed nodes and nodes that work with the pool page (signal lists) cannot be dragged.
bool CanDrag(const TItem* item);
// May `dragged` be dropped onto `target` (nullptr: empty space)?
bool CanDrop(const TItem* dragged, const TItem* target);
// Moves `dragged` before `target` (to the end of the boards on empty space), lets the old
// and the new parent renumber and rebuilds the pool. Returns the new parent, or nullptr
// when the drop is refused.
TItem* Drop(Configuration& config, TItem* dragged, TItem* target);
// The question before deleting, by level; empty when the item cannot be deleted.
std::string DeleteQuestion(const TItem* item);
// Deletes the item (after the question was answered "Да"); returns the item to select.
TItem* DeleteItem(Configuration& config, TItem* item);

// A device's block as another window copied it (its records, with references into that
// configuration's pool): read into a scratch device of `port` and duplicated from there, so
// that the copy is numbered and named as the port's own duplicates are and no reference
// to the other pool survives. nullptr with `why` set when the block is no device of this
// port's kind, is damaged, or is of a newer version.
// `oldPrefix` is the owner part the device's signal names had in the other window: it is
// replaced by the copy's own, as a move between ports does.
TItem* PasteDeviceBlock(Configuration& config, TItem* port, const std::vector<std::uint8_t>& block,
                        const std::string& oldPrefix, std::string* why);
// The owner part of the item's signal names (that of its first own signal; empty if none).
std::string SignalPrefixOf(const TItem& item);
// Whether the add command of port kind `code` is enabled: the firmware allows the kind
// and, for a kind of which a configuration holds one, none is there yet. The menus read
// this; nothing else enables an add command.
bool CanAddPort(const Configuration& config, int code);
// Adds a port of `code` under the processor board; shows "Неизвестный тип порта,\rID = "
// for a code no port kind implements, and refuses (saying why) a second port of a kind
// held once. Returns the new port or nullptr.
TItem* AddPort(Configuration& config, int code);
// After loading: one warning for each kind held once that the file holds more than once
// (such a file is loaded whole).
std::vector<std::string> RepeatedPortWarnings(const Configuration& config);

}  // namespace vilk
