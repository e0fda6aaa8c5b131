#include "snmp/mib_tree.h"

#include <algorithm>

#include "base/format.h"

namespace vilk {

int MibNode::Index() const {
  if (!parent_) return 0;
  for (int i = 0; i < parent_->ChildCount(); ++i)
    if (parent_->Child(i) == this) return i;
  return -1;
}

MibNode* MibNode::Add(std::unique_ptr<MibNode> child) {
  child->parent_ = this;
  children_.push_back(std::move(child));
  return children_.back().get();
}

namespace {

std::unique_ptr<MibNode> ObjectNode(MibNodeKind kind, TSNMPObject* obj) {
  auto node = std::make_unique<MibNode>(kind, obj->Name);
  node->Object = obj;
  node->Oid = obj->Oid;
  node->HasOid = obj->HasOid;
  return node;
}

void Mark(MibNode* node) {
  node->Marked = false;
  for (int i = 0; i < node->ChildCount(); ++i) Mark(node->Child(i));
  if (node->IsTagNode() && node->Ticked)
    for (MibNode* n = node; n && !n->Marked; n = n->Parent()) n->Marked = true;
}

void Collect(const MibNode* node, TSNMP_TagList& tags) {
  for (int i = 0; i < node->ChildCount(); ++i) {
    const MibNode* child = node->Child(i);
    if (!child->Marked) continue;
    TSNMP_Tag tag;
    if (child->IsTagNode() && TSNMP_Tag::Make(child->Text, child->Oid, &tag)) tags.push_back(tag);
    Collect(child, tags);
  }
}

void AppendText(std::string& out, const MibNode* node, int level) {
  out.append(static_cast<std::size_t>(level) * 2, ' ');
  out += node->Text;
  const bool shown =
      node->IsTagNode() || node->Kind == MibNodeKind::Table || node->Kind == MibNodeKind::Group;
  if (shown && node->HasOid) out += '\t' + OidToText(node->Oid);
  out += '\n';
  for (int i = 0; i < node->ChildCount(); ++i) AppendText(out, node->Child(i), level + 1);
}

}  // namespace

void TMibTree::Build(TMib& mib, const std::string& fileName, std::vector<std::string>* errors) {
  mib_ = &mib;
  root_ = std::make_unique<MibNode>(MibNodeKind::File, fileName);
  for (const auto& module : mib.Modules()) {
    auto node = std::make_unique<MibNode>(MibNodeKind::Module, module->Name);
    node->Module = module.get();
    if (const TOIDEntry* id = mib.FindOid(module->Identity)) {
      node->Oid = id->Oid;
      node->HasOid = true;
    }
    MibNode* m = root_->Add(std::move(node));
    AddObjects(m, *module, errors);
  }
  // Groups and objects read from files without a MODULE-IDENTITY hang under the file.
  for (const auto& group : mib.Groups())
    if (!group->Module && !group->Members.empty()) {
      auto g = std::make_unique<MibNode>(MibNodeKind::Group, group->Name);
      g->Group = group.get();
      g->Oid = group->Oid;
      g->HasOid = group->HasOid;
      MibNode* gn = root_->Add(std::move(g));
      for (TSNMPObject* member : group->Members) gn->Add(ObjectNode(MibNodeKind::Scalar, member));
    }
  AddObjects(root_.get(), mib.NoModule(), errors);
}

void TMibTree::AddObjects(MibNode* parent, const TSNMPObjList& list,
                          std::vector<std::string>* errors) {
  for (TSNMPObject* obj : list.Objects) {
    if (!obj->Table) {
      parent->Add(ObjectNode(MibNodeKind::Scalar, obj));
      continue;
    }
    if (!obj->Entry || !obj->Entry->Sequence || obj->Entry->Sequence->Columns.empty()) continue;
    AddRows(parent->Add(ObjectNode(MibNodeKind::Table, obj)), errors);
  }
  if (parent->Kind != MibNodeKind::Module) return;
  for (const auto& group : mib_->Groups()) {
    if (group->Module != parent->Module || group->Members.empty()) continue;
    auto g = std::make_unique<MibNode>(MibNodeKind::Group, group->Name);
    g->Group = group.get();
    g->Oid = group->Oid;
    g->HasOid = group->HasOid;
    MibNode* gn = parent->Add(std::move(g));
    for (TSNMPObject* member : group->Members) gn->Add(ObjectNode(MibNodeKind::Scalar, member));
  }
}

void TMibTree::AddRows(MibNode* table, std::vector<std::string>* errors) {
  TSNMPObject* entry = table->Object->Entry;
  for (int row = 1; row <= table->Object->Rows; ++row) {
    auto r = ObjectNode(MibNodeKind::Row, entry);
    r->Text = Format("%d", row);
    r->Row = row;
    r->Ticked = table->Ticked;
    MibNode* rn = table->Add(std::move(r));
    for (TSNMPObject* column : entry->Sequence->Columns) {
      auto c = ObjectNode(MibNodeKind::Column, column);
      c->Text = Format("%s[%d]", column->Name, row);
      c->Row = row;
      c->Ticked = table->Ticked;
      // A row number that does not fit the identifier gives no node rather than a tag
      // with a cut identifier.
      if (!c->Oid.Append(static_cast<std::uint32_t>(row)) ||
          TASNObjectIdentifier::EncodedLength(c->Oid) > TASNObjectIdentifier::kMaxContent) {
        if (errors)
          errors->push_back(Format("----- ошибка: идентификатор %s не помещается в тег", c->Text));
        continue;
      }
      rn->Add(std::move(c));
    }
  }
}

void TMibTree::SetTicked(MibNode* node, bool ticked) {
  if (!node) return;
  std::vector<MibNode*> stack{node};
  while (!stack.empty()) {
    MibNode* n = stack.back();
    stack.pop_back();
    n->Ticked = ticked;
    for (int i = 0; i < n->ChildCount(); ++i) stack.push_back(n->Child(i));
  }
  if (observer_) observer_->TicksChanged(node);
}

bool TMibTree::SetRows(MibNode* table, int rows, std::vector<std::string>* errors) {
  if (!table || table->Kind != MibNodeKind::Table) return false;
  table->Object->Rows = std::clamp(rows, 0, kMaxRows);
  if (observer_) observer_->ChildrenAboutToBeReplaced(table);
  table->ClearChildren();
  AddRows(table, errors);
  if (observer_) observer_->ChildrenReplaced(table);
  return true;
}

MibDetails TMibTree::Details(const MibNode& node) {
  MibDetails d;
  if (node.Group) {
    d.Object = node.Group->Name;
    d.Category = "OBJECT-GROUP";
    d.Description = node.Group->Description;
  } else if (node.Module) {
    d.Object = node.Module->Identity;
  } else if (const TSNMPObject* obj = node.Object) {
    d.Object = node.Kind == MibNodeKind::Column ? node.Text : obj->Name;
    d.Category = obj->Table ? "OBJECT TABLE" : obj->EntryFlag ? "TABLE ENTRY" : "OBJECT-TYPE";
    d.Syntax = obj->Syntax;
    d.Access = obj->Access;
    d.Description = obj->Description;
    d.HasRows = obj->Table;
    d.Rows = obj->Rows;
  } else {
    d.Object = node.Text;
  }
  if (node.HasOid) d.Oid = OidToText(node.Oid);
  return d;
}

TSNMP_TagList TMibTree::MakeTags() {
  TSNMP_TagList tags;
  if (!root_) return tags;
  Mark(root_.get());
  Collect(root_.get(), tags);
  return tags;
}

std::string MibTreeText(const TMibTree& tree) {
  std::string out;
  if (tree.Root()) AppendText(out, tree.Root(), 0);
  return out;
}

}  // namespace vilk
