#pragma once
// The configuration items. Every board, port, device and signal list is a TItem; each
// item owns its children (the tree's structure is the items' structure). Parents and
// board/port links are plain pointers. Structural changes go through Configuration so
// that observers (the window's tree view) hear of them before and after.
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/image.h"

namespace vilk {

class Configuration;
class TStorage;
class TBlock;
class TPort;
class TParams;
class RecordDesc;

// Context menus an item's node can carry. The add commands come from the kind table
// (the rows whose parent is the item's kind).
enum class PopupMenu {
  None,
  Add,  // the add commands only (processor board: the ports; IP port: "Добавить ПЭВМ")
  Delete,           // "Удалить", "Отмена"
  DuplicateDelete,  // "Дублировать", "Удалить", "Отмена"
  AddDelete,        // the add commands, "Удалить", "Отмена"
};

// Board-mask bits: what a board is or what a port needs.
enum BoardMaskBits : std::uint16_t {
  kMaskRS232 = 1,
  kMaskRS485 = 2,
  kMaskCom = 3,
  kMaskIP = 8,
  kMaskDI = 16,
};

// List roles of a signal list.
enum ListRole : std::uint8_t { kRoleOwn = 0, kRoleSelection = 1, kRolePool = 2, kRolePairing = 3 };

constexpr std::size_t kMaxNameChars = 64;
constexpr std::uint16_t kVersionKey = 48;

class TItem {
 public:
  explicit TItem(Configuration& config);
  TItem(const TItem&) = delete;
  TItem& operator=(const TItem&) = delete;
  virtual ~TItem();

  // --- fields ---
  std::uint8_t Version = 1;
  std::uint8_t Kind = 0;  // type code = block id (COM boards: 200 or 223, both write 200)
  int ImageIndex = 2;
  std::uint8_t Number = 255;  // board or port number; 255 = none
  std::uint16_t BoardMask = 0;
  std::uint8_t SignalKind = 0;
  std::uint8_t ListRole = kRoleOwn;
  PopupMenu Menu = PopupMenu::None;

  const std::string& Name() const { return name_; }
  void SetName(std::string_view name);  // cut to 64 characters

  // --- the node ---
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  int Icon() const { return icon_; }
  void SetIcon(int icon);
  int StateIcon() const { return stateIcon_; }
  void SetStateIcon(int icon);

  TItem* Parent() const { return parent_; }
  int ChildCount() const { return static_cast<int>(children_.size()); }
  TItem* Child(int row) const { return children_[static_cast<std::size_t>(row)].get(); }
  int Row() const;  // position among the parent's children, 0 for the root
  int Level() const;
  Configuration& Config() const { return *config_; }
  TStorage& Storage() const;

  // --- operations, in slot order (the frame slots live with the editor frames) ---
  virtual int MaxVersion() const { return 1; }
  // Reads the item's values and children; called right after its block header.
  virtual void LoadFromImage(TConfig& cfg);
  // Writes the item's whole block (header, values, children, length).
  virtual void SaveToImage(TConfig& cfg);
  virtual void Unlink() {}
  virtual void GoToLinked() {}
  virtual void UpdateCaption() {}
  virtual void LoadTemplate() {}
  virtual std::string GetChannelName(int index) const;
  // The "Адрес" text of row `index` of one of this item's lists (owners whose address
  // depends on the list's kind override it).
  virtual std::string ChannelName(const TParams& list, int index) const;
  virtual TItem* AddChild(int kind);
  virtual TItem* DuplicateChild(TItem* child);
  virtual void CollectSignals(TStorage& pool);
  virtual void RelinkSignals();
  virtual void ChildrenChanged() {}
  virtual void SetDefaults() {}
  virtual void ApplyModel() {}

  // The item's value records described once (nullptr: the kind writes them by hand).
  virtual const RecordDesc* Record() const { return nullptr; }

  // Writes the item's block: the bytes kept as read when this build could not read the
  // block (an unknown kind or a newer version), else SaveToImage.
  void Save(TConfig& cfg);
  const std::vector<std::uint8_t>& KeptBlock() const { return kept_; }
  bool IsKept() const { return !kept_.empty(); }
  // A kept item or anything below one: shown, never edited.
  bool IsReadOnly() const;
  // Whether a block of a newer version is kept whole in place of the item's values.
  virtual bool KeepsNewerBlock() const { return true; }

  // Enters the next child block and appends the item `made` for it (nullptr: no kind of
  // this build reads it), or keeps the block unread (TUnknown) when the kind is unknown or
  // the stored version newer; moves past the block. Returns the item appended.
  TItem* LoadOrKeepNextChild(TConfig& cfg, std::unique_ptr<TItem> made);
  // Writes the kept blocks among the children (for items that write their known children
  // in an order of their own).
  void SaveKeptChildren(TConfig& cfg);

  // The block id this item writes (Kind, except where a Part says otherwise).
  virtual std::uint16_t BlockId() const { return Kind; }
  TParams* AsParams();
  TPort* AsPort();
  TBlock* AsBlock();

 protected:
  // Reads key 48; a version above MaxVersion shows "Новая версия " + name and returns
  // false, and the item then keeps its defaults and the block's bytes (written back as
  // they were read).
  bool ReadVersion(TConfig& cfg);
  void Keep(std::vector<std::uint8_t> block) { kept_ = std::move(block); }
  // Writes the block from Record(): header, version, values, then every child in order.
  void SaveRecordBlock(TConfig& cfg);
  void WriteVersion(TConfig& cfg) const;
  // End of the block whose header was read last (the item's own block on entry to
  // LoadFromImage).
  static std::size_t OwnBlockEnd(TConfig& cfg);
  // Id of the next child block inside the parent block ending at `end`, or kNoBlock.
  static int PeekChild(TConfig& cfg, std::size_t end);
  // Enters the next child block, lets `child` read it, and moves past it.
  static void LoadChild(TConfig& cfg, TItem* child);
  // Appends a copy of `child` (a device of this item), made by writing it to a scratch
  // image and reading it back, so that every kind duplicates with all its settings and
  // lists. Selections are resolved against the current pool.
  TItem* DuplicateByImage(TItem* child);

 private:
  friend class Configuration;
  Configuration* config_;
  TItem* parent_ = nullptr;
  std::vector<std::unique_ptr<TItem>> children_;
  std::string name_;
  std::string caption_;
  std::vector<std::uint8_t> kept_;
  int icon_ = -1;
  int stateIcon_ = -1;
};

// Boards: the processor board, COM boards, the discrete-input board (and the controller).
class TBlock : public TItem {
 public:
  using TItem::TItem;
  ~TBlock() override;

  std::bitset<256> NumberSet;
  TPort* LinkedPort = nullptr;

  void Unlink() override;
  void GoToLinked() override;
  void UpdateCaption() override;  // "%d_Плата %s"
  // A port asks for candidates: a COM board that is free or already this port's, and
  // whose mask meets `bits`, adds itself to `list`.
  virtual void PortChanged(TPort* port, std::uint16_t bits, std::vector<TBlock*>& list);
  virtual bool Attach(TPort* port);
  virtual void SetNumber(std::uint8_t number);
};

// Ports and everything below a port (devices).
class TPort : public TItem {
 public:
  using TItem::TItem;
  ~TPort() override;

  TBlock* LinkedBoard = nullptr;

  void Unlink() override;
  void GoToLinked() override;
  void UpdateCaption() override;  // "%d_Порт %s"
  // After the whole tree is loaded: resolves what needs the complete tree. The base
  // resolves its lists and forwards to its devices.
  virtual void AfterLoad();
  virtual void TakeFromStorage() {}
  virtual void UpdateSignalList() {}
  // The part of a link-state name that tells this device from its siblings.
  virtual std::string LinkName() const { return Name(); }
};

}  // namespace vilk
