// Comparing two configurations item by item: a changed field, a changed signal name, an
// added device, a moved device, a model change, and identical trees.
#include "model/diff.h"

#include <gtest/gtest.h>

#include "controller/controller.h"
#include "controller/proc.h"
#include "ports/fieldbus/modbus.h"
#include "ports/fieldbus/templates.h"
#include "test_items.h"

namespace vilk {
namespace {

class DiffTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTemplateHome("");
    ModbusTemplates().Reset();
    for (Configuration* c : {&a, &b}) {
      for (int n : {1, 2}) {
        auto* port =
            static_cast<TPortMODBUS*>(c->Append(c->Controller().Proc(), MakePort(*c, kPortMODBUS)));
        port->Renumber(static_cast<std::uint8_t>(n));
        test::LinkToBoard(port, 32 + n);
      }
      Port(*c, 1)->AddDevices({{7, ""}});
      c->Storage().RebuildPool();
    }
  }
  void TearDown() override { ModbusTemplates().Reset(); }

  static TPortMODBUS* Port(Configuration& c, int n) {
    return static_cast<TPortMODBUS*>(c.Controller().Proc()->Child(n));
  }
  std::string Diff() { return DiffText(CompareTrees(a.Controller(), b.Controller())); }

  RecordingMessages messages;
  Configuration a{messages}, b{messages};
};

TEST_F(DiffTest, IdenticalTreesHaveNoDifference) {
  EXPECT_TRUE(CompareTrees(a.Controller(), b.Controller()).empty());
  EXPECT_EQ(Diff(), "");
}

TEST_F(DiffTest, OneField) {
  Port(b, 2)->ReplyWait = 600;
  const std::vector<ItemDiff> diffs = CompareTrees(a.Controller(), b.Controller());
  ASSERT_EQ(diffs.size(), 1u);
  EXPECT_EQ(diffs[0].What, ItemDiff::Changed);
  EXPECT_EQ(diffs[0].Old, Port(a, 2));
  EXPECT_EQ(diffs[0].New, Port(b, 2));
  EXPECT_EQ(Diff(), "~ ВИЛК.A2/Процессор/2_Порт MODBUS-RTU\n    reply_wait: 500 мс -> 600 мс\n");
}

TEST_F(DiffTest, OneSignalName) {
  TRTU* rtu = Port(b, 1)->ModbusDevices()[0];
  TParams* list = Port(b, 1)->LinkStates();
  ASSERT_NE(list, nullptr);
  const std::string old = list->At(0)->Name();
  list->At(0)->SetName("Связь с RTU");
  EXPECT_EQ(Diff(), "~ ВИЛК.A2/Процессор/1_Порт MODBUS-RTU/ТС\n    signal1: \"" + old +
                        "\" -> \"Связь с RTU\"\n");
  EXPECT_EQ(rtu->Number, 7);
}

TEST_F(DiffTest, OneAddedDevice) {
  Port(b, 2)->AddDevices({{9, ""}});
  // The device, the port's new link-state list and the counts that follow from them.
  EXPECT_EQ(Diff(),
            "~ ВИЛК.A2/Процессор\n    pool_ТС: 1 -> 2\n"
            "~ ВИЛК.A2/Процессор/2_Порт MODBUS-RTU\n    device_count: 0 -> 1\n"
            "+ ВИЛК.A2/Процессор/2_Порт MODBUS-RTU/ТС\n"
            "+ ВИЛК.A2/Процессор/2_Порт MODBUS-RTU/9_RTU\n");
  // And the other way round.
  EXPECT_EQ(DiffText(CompareTrees(b.Controller(), a.Controller())),
            "~ ВИЛК.A2/Процессор\n    pool_ТС: 2 -> 1\n"
            "~ ВИЛК.A2/Процессор/2_Порт MODBUS-RTU\n    device_count: 1 -> 0\n"
            "- ВИЛК.A2/Процессор/2_Порт MODBUS-RTU/ТС\n"
            "- ВИЛК.A2/Процессор/2_Порт MODBUS-RTU/9_RTU\n");
}

TEST_F(DiffTest, OneMovedDevice) {
  TRTU* rtu = Port(b, 1)->ModbusDevices()[0];
  b.Move(rtu, Port(b, 2), Port(b, 2)->ChildCount());
  Port(b, 1)->ChildrenChanged();
  Port(b, 2)->ChildrenChanged();
  // The device moved; the link-state lists belong to the ports.
  const std::vector<ItemDiff> diffs = CompareTrees(a.Controller(), b.Controller());
  ASSERT_EQ(diffs.size(), 5u);
  EXPECT_EQ(diffs[3].What, ItemDiff::Moved);
  EXPECT_EQ(diffs[3].Old, Port(a, 1)->ModbusDevices()[0]);
  EXPECT_EQ(diffs[3].New, rtu);
  EXPECT_EQ(Diff(),
            "~ ВИЛК.A2/Процессор/1_Порт MODBUS-RTU\n    device_count: 1 -> 0\n"
            "~ ВИЛК.A2/Процессор/2_Порт MODBUS-RTU\n    device_count: 0 -> 1\n"
            "+ ВИЛК.A2/Процессор/2_Порт MODBUS-RTU/ТС\n"
            "> ВИЛК.A2/Процессор/1_Порт MODBUS-RTU/7_RTU -> "
            "ВИЛК.A2/Процессор/2_Порт MODBUS-RTU/7_RTU\n"
            "- ВИЛК.A2/Процессор/1_Порт MODBUS-RTU/ТС\n");
}

TEST_F(DiffTest, AnotherModel) {
  TController& c = b.Controller();
  c.TypeCode = 22;
  c.SelectModelRecord();
  c.ApplyModel();
  // Items below the root are matched whatever the model's name: the boards it drops are
  // the only items gone.
  EXPECT_EQ(Diff(),
            "~ ВИЛК.A1\n    model: ВИЛК.A2 -> ВИЛК.A1\n"
            "~ ВИЛК.A1/Процессор\n    boards: 9 -> 5\n"
            "- ВИЛК.A2/COM_0.5 RS485\n- ВИЛК.A2/COM_0.6 RS485\n"
            "- ВИЛК.A2/COM_0.7 RS485\n- ВИЛК.A2/COM_0.8 RS485\n");
}

}  // namespace
}  // namespace vilk
