// The MIB dialog and the SNMP device frame with their real widgets.
#include <QFile>

#include "frames/snmp/snmp_frames.h"
#include "snmp/mib_dialog.h"
#include "snmp/port_snmp.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

MibNode* Find(MibNode* node, const std::string& text) {
  if (!node) return nullptr;
  if (node->Text == text) return node;
  for (int i = 0; i < node->ChildCount(); ++i)
    if (MibNode* found = Find(node->Child(i), text)) return found;
  return nullptr;
}

class SnmpWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ResetKindRegistry();  // the real SNMP port and device
  }
};

TEST_F(SnmpWindowTest, TickedRowAndScalarBecomeTheDevicesMeasurements) {
  ui::TMIBdlg dialog(window.get());
  dialog.MibFolder = VILK_TEST_DATA "/mibs";
  dialog.FileEdit()->setText(QStringLiteral(VILK_TEST_DATA "/mibs/IF-MIB"));
  dialog.Load();
  EXPECT_EQ(dialog.ErrorList()->count(), 0);
  EXPECT_GT(dialog.InfoList()->count(), 0);
  MibNode* root = dialog.MibTree().Root();
  ASSERT_NE(root, nullptr);

  MibNode* scalar = Find(root, "ifNumber");
  ASSERT_NE(scalar, nullptr);
  dialog.Model()->setData(dialog.Model()->IndexOf(scalar), Qt::Checked, Qt::CheckStateRole);
  MibNode* column = Find(root, "ifInOctets[1]");
  ASSERT_NE(column, nullptr) << "table rows show their columns with the row number";
  MibNode* row = column->Parent();
  dialog.Model()->setData(dialog.Model()->IndexOf(row), Qt::Checked, Qt::CheckStateRole);
  EXPECT_TRUE(column->Ticked) << "ticking a row ticks its columns";

  const TSNMP_TagList tags = dialog.AddTags();
  ASSERT_GE(tags.size(), 2u);

  TItem* port = editor()->AddPortCommand(kPortSNMP);
  ASSERT_NE(port, nullptr);
  TItem* device = port->AddChild(kSNMPDevice);
  ASSERT_NE(device, nullptr);
  auto* snmp = static_cast<TSNMP*>(device);
  snmp->SetTags(tags);
  snmp->UpdateSignalList();
  ASSERT_NE(snmp->Measurements(), nullptr);
  bool sawNumber = false, sawOctets = false;
  for (const TParam* s : snmp->Measurements()->Items) {
    sawNumber |= s->Name().find("ifNumber") != std::string::npos;
    sawOctets |= s->Name().find("ifInOctets[1]") != std::string::npos;
  }
  EXPECT_TRUE(sawNumber);
  EXPECT_TRUE(sawOctets);

  savePath = File("snmp.cfg");
  ASSERT_TRUE(window->SaveCommand());
  QFile f(savePath);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  // "ifNumber" (8 characters) with 1.3.6.1.2.1.2.1 as its 7 content octets.
  const QByteArray tag("\x08ifNumber\x07\x2B\x06\x01\x02\x01\x02\x01", 17);
  EXPECT_TRUE(f.readAll().contains(tag));
}

TEST_F(SnmpWindowTest, DeviceFrameFollowsTheLastAddressByte) {
  TItem* port = editor()->AddPortCommand(kPortSNMP);
  ASSERT_NE(port, nullptr);
  editor()->Select(port);
  TItem* device = editor()->AddDeviceCommand(kSNMPDevice);
  ASSERT_NE(device, nullptr);
  editor()->Select(device);
  auto* frame = qobject_cast<ui::TRTUSNMPFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  frame->Address()->Octet(3)->setValue(17);
  EXPECT_EQ(device->Number, 17);
  EXPECT_EQ(device->Caption().rfind("17_", 0), 0u) << device->Caption();
}

}  // namespace
}  // namespace vilk::test
