#pragma once
// The kind table: one row per board, port, device and signal-list kind. The factories,
// the port-kind sets of the firmware versions, the add commands of the context menus,
// the icons and the frame registry all read it, so a new kind is one row here plus its
// own files and one frame registration.
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/item.h"

namespace vilk {

constexpr int kControllerCode = -1;  // the root: its children are the boards
constexpr int kAnyParent = -2;       // signal lists: made by whichever item owns them
constexpr int kRootParent = -3;      // the parent "kind" of the root itself
constexpr int kNeverAllowed = 255;   // a port kind in no firmware's port-kind set

// A kind is known by its parent's kind and its own code: block id 202 is a PC under
// the IP port and a Modbus device under a Modbus port.
struct KindKey {
  int Parent = kControllerCode;
  int Code = 0;
  friend bool operator==(const KindKey&, const KindKey&) = default;
  friend auto operator<=>(const KindKey&, const KindKey&) = default;
};

using PortKindSet = std::bitset<256>;
using ItemFactory = std::function<std::unique_ptr<TItem>(Configuration&)>;

struct KindRow {
  int Parent;  // kControllerCode (boards), 0 (ports), a port's code (devices)
  int Code;    // type code = block id = menu Tag
  const char* ClassName;
  const char* MenuCaption;  // the add command in the parent's menu ("" when made by its owner)
  int MinMinor;             // ports: the firmware 1.x minor version they need, or kNeverAllowed
  int Icon;                 // image index of a fresh item
  ItemFactory Make;         // nullptr while this build does not implement the kind

  KindKey Key() const { return {Parent, Code}; }
  bool IsPort() const { return Parent == 0; }
  bool IsBoard() const { return Parent == kControllerCode; }
};

// Every row, the kinds this build implements and those still to come, in menu order.
const std::vector<KindRow>& KindTable();
const KindRow* FindKind(KindKey key);
// The key of an existing item (its parent's kind and its own code).
KindKey KeyOf(const TItem& item);
// The add commands an item's menu offers: the rows whose parent is this item's kind and
// that carry a caption (the processor board: one per port kind).
std::vector<const KindRow*> AddCommands(const TItem& item);

// Port kinds allowed by a firmware version (none for a major version other than 1).
PortKindSet PortKindSetFor(int major, int minor);
// Port kinds of which a configuration holds at most one: the automation port, the logic
// port and the two pairing ports.
bool OnePerConfiguration(int code);
// A port kind that is never offered by the menu but comes with files (the automation
// port): such a port is saved as loaded, whatever the firmware's set.
bool SavedWhateverFirmware(int code);

// Board factory: 0, 121, 200, 223; nullptr for anything else. COM boards are numbered
// 32 + `comOrdinal`.
std::unique_ptr<TBlock> MakeBoard(Configuration& config, int kind, int comOrdinal = 1);
// Port factory: the port kinds this build implements; nullptr for any other code.
std::unique_ptr<TPort> MakePort(Configuration& config, int code);
// Device factory: the item a port creates for a child block id; nullptr when none is known.
std::unique_ptr<TPort> MakeDevice(Configuration& config, int parentKind, int code);
// Any row's item (nullptr when the kind is unknown or not built yet).
std::unique_ptr<TItem> MakeItem(Configuration& config, KindKey key);

// The look of an image index in the tree (a glyph on a coloured square), shared by every
// kind that shows that image.
struct ImageLook {
  int Index;
  const char* Glyph;
  std::uint32_t Rgb;
};
const ImageLook& LookOfImage(int index);
constexpr int kImageUnknown = 40;  // items kept unread: a block of an unknown kind or version

// Tests add stand-in kinds on codes no real kind uses (240 and above) and take them away
// again; a row on a real kind's key is refused (returns false).
bool RegisterTestKind(KindRow row);
bool UnregisterTestKind(KindKey key);
void ResetKindRegistry();
constexpr int kFirstTestCode = 240;

// "Неизвестный тип порта,\rID = " + code
std::string UnknownPortMessage(int code);

}  // namespace vilk
