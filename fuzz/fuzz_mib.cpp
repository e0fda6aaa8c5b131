// Feeds arbitrary text to the MIB reader as a module file, then builds the MIB dialog's
// tree, ticks everything, changes a table's rows and makes the tags; the same bytes also
// go to the SNMP device record parser, whose result must serialise and parse back alike.
// One input in eight (by length) looks up its imports among the standard modules of the
// tests, so that the reader also runs over real files; the others read no file at all,
// which keeps the fuzzer fast.
#include <cstdint>
#include <string>
#include <string_view>

#include "snmp/device_record.h"
#include "snmp/mib.h"
#include "snmp/mib_tree.h"

namespace {

void Walk(vilk::TMibTree& tree, vilk::MibNode* node, int& tables, int rows) {
  (void)vilk::TMibTree::Details(*node);
  if (node->Kind == vilk::MibNodeKind::Table && tables++ == 0) tree.SetRows(node, rows);
  for (int i = 0; i < node->ChildCount(); ++i) Walk(tree, node->Child(i), tables, rows);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  static vilk::TMib mib;
  const char* folder = size % 8 == 1 ? VILK_FUZZ_MIBS : "/nonexistent-mib-folder";
  mib.MibFolder = folder;
  mib.LoadMibText("FUZZ-MIB", text, folder);
  vilk::TMibTree tree;
  tree.Build(mib, "FUZZ-MIB");
  tree.SetTicked(tree.Root(), true);
  int tables = 0;
  Walk(tree, tree.Root(), tables, static_cast<int>(size % 7));
  const vilk::TSNMP_TagList tags = tree.MakeTags();
  for (const vilk::TSNMP_Tag& tag : tags)
    if (tag.OidLength > vilk::TSNMP_Tag::kMaxOid ||
        tag.Name.size() > 4 * vilk::TSNMP_Tag::kMaxNameChars)
      __builtin_trap();
  (void)vilk::MibTreeText(tree);

  vilk::TSNMP_device device;
  device.Parse(data, size);
  const auto record = device.Serialize();
  vilk::TSNMP_device again;
  if (!again.Parse(record.data(), record.size()) || again.Tags != device.Tags ||
      again.Serialize() != record)
    __builtin_trap();
  return 0;
}
