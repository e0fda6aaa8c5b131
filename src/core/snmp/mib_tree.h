#pragma once
// What the MIB dialog shows after a load: the file, its modules with their readable scalars,
// tables (one node per row, with a copy of every column under it) and groups, then the
// groups and objects without module. Every node has a tick; ticking a node ticks all of
// its descendants. The ticked scalars become the device's tags.
#include <memory>
#include <string>
#include <vector>

#include "snmp/asn1.h"
#include "snmp/device_record.h"
#include "snmp/mib.h"

namespace vilk {

enum class MibNodeKind { File, Module, Scalar, Table, Row, Column, Group };

class MibNode {
 public:
  MibNode(MibNodeKind kind, std::string text) : Kind(kind), Text(std::move(text)) {}

  MibNodeKind Kind;
  std::string Text;
  TSNMPObject* Object = nullptr;  // scalar, table, row (the row object), column
  const TSNMPGroup* Group = nullptr;
  const TSNMPObjList* Module = nullptr;
  OidValue Oid;  // a column's copy: the column's identifier and the row number
  bool HasOid = false;
  int Row = 0;
  bool Ticked = false;
  bool Marked = false;

  MibNode* Parent() const { return parent_; }
  int ChildCount() const { return static_cast<int>(children_.size()); }
  MibNode* Child(int i) const { return children_[static_cast<std::size_t>(i)].get(); }
  int Index() const;
  // A node that becomes a tag when ticked.
  bool IsTagNode() const { return Kind == MibNodeKind::Scalar || Kind == MibNodeKind::Column; }

  MibNode* Add(std::unique_ptr<MibNode> child);
  void ClearChildren() { children_.clear(); }

 private:
  MibNode* parent_ = nullptr;
  std::vector<std::unique_ptr<MibNode>> children_;
};

// The details panel of a node.
struct MibDetails {
  std::string Object;
  std::string Category;  // "OBJECT-TYPE", "OBJECT TABLE", "TABLE ENTRY", "OBJECT-GROUP"
  std::string Oid;
  std::string Syntax;
  std::string Access;
  std::string Description;
  bool HasRows = false;  // a table: "Кол-во строк:" applies
  int Rows = 0;
};

// Hears of the structural changes a Qt model has to map (the row nodes of a table).
class IMibTreeObserver {
 public:
  virtual ~IMibTreeObserver() = default;
  virtual void ChildrenAboutToBeReplaced(MibNode* /*node*/) {}
  virtual void ChildrenReplaced(MibNode* /*node*/) {}
  virtual void TicksChanged(MibNode* /*node*/) {}  // the node and its descendants
};

class TMibTree {
 public:
  static constexpr int kMaxRows = 100;

  // Rebuilds the tree from the tables of `mib` (which must outlive the tree or the next
  // Build). Column copies whose identifier would not fit a tag are left out, each with an
  // error line in `errors`.
  void Build(TMib& mib, const std::string& fileName, std::vector<std::string>* errors = nullptr);
  void Clear() { root_.reset(); }
  MibNode* Root() const { return root_.get(); }
  void SetObserver(IMibTreeObserver* observer) { observer_ = observer; }

  // Sets the tick of the node and of all its descendants.
  void SetTicked(MibNode* node, bool ticked);
  void Toggle(MibNode* node) { SetTicked(node, !node->Ticked); }

  // "Кол-во строк": the table gets `rows` (clamped to 0..100) row nodes, ticked as the
  // table is. False for a node that is not a table.
  bool SetRows(MibNode* table, int rows, std::vector<std::string>* errors = nullptr);

  static MibDetails Details(const MibNode& node);

  // "Добавить теги в конфигурацию": marks the ticked scalars and columns with their
  // ancestors and returns them as tags, in tree order.
  TSNMP_TagList MakeTags();

 private:
  void AddObjects(MibNode* parent, const TSNMPObjList& list, std::vector<std::string>* errors);
  void AddRows(MibNode* table, std::vector<std::string>* errors);

  std::unique_ptr<MibNode> root_;
  TMib* mib_ = nullptr;
  IMibTreeObserver* observer_ = nullptr;
};

// The tree as text, one node per line, two blanks per level; nodes with an identifier
// get a tab and the dotted identifier (vilkcfg mib --tree).
std::string MibTreeText(const TMibTree& tree);

}  // namespace vilk
