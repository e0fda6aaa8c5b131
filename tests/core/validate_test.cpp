// The validation report: each problem with its severity, caption path and message; a clean
// configuration reports nothing; checking changes nothing in the tree.
#include "model/validate.h"

#include <gtest/gtest.h>

#include "controller/controller.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "model/show.h"
#include "ports/fieldbus/modbus.h"
#include "ports/fieldbus/templates.h"
#include "ports/telemechanics/pc.h"
#include "ports/telemechanics/rtu104.h"
#include "signals/list_edit.h"
#include "test_items.h"

namespace vilk {
namespace {

constexpr int kStrictPortCode = 245;

// A port kind with a save check of its own: it refuses to be saved while its device name
// is "нельзя", as a kind's SaveToImage does.
class StrictPort : public test::FieldPort {
 public:
  using FieldPort::FieldPort;
  void SaveToImage(TConfig& cfg) override {
    if (DeviceName == "нельзя") {
      Config().Messages().Error("Порт " + Caption() + ": устройство не задано.");
      Config().Abort = true;
    }
    FieldPort::SaveToImage(cfg);
  }
};

std::vector<std::string> Lines(const std::vector<Problem>& problems) {
  std::vector<std::string> lines;
  for (const Problem& p : problems) lines.push_back(ProblemLine(p));
  return lines;
}

class ValidateTest : public test::WithTestKinds {
 protected:
  void SetUp() override {
    WithTestKinds::SetUp();
    test::RegisterTestPort(kStrictPortCode, 0, test::Made<StrictPort>());
    SetTemplateHome("");
    ModbusTemplates().Reset();
    // The port kinds the firmware allows now include the stand-in kinds.
    config.Controller().ApplyModel();
  }
  void TearDown() override {
    ModbusTemplates().Reset();
    WithTestKinds::TearDown();
  }

  TPortMODBUS* AddRtuPort(int number, int board) {
    auto* port = static_cast<TPortMODBUS*>(
        config.Append(config.Controller().Proc(), MakePort(config, kPortMODBUS)));
    port->Renumber(static_cast<std::uint8_t>(number));
    test::LinkToBoard(port, board);
    return port;
  }
  TPortRTUTCP* AddTcpPort(int number) {
    auto* port = static_cast<TPortRTUTCP*>(
        config.Append(config.Controller().Proc(), MakePort(config, kPortRTUTCP)));
    port->Renumber(static_cast<std::uint8_t>(number));
    return port;
  }
  TPC* AddPc() { return static_cast<TPC*>(config.Controller().PortIP()->AddChild(test::kPcCode)); }

  RecordingMessages messages;
  Configuration config{messages};
};

TEST_F(ValidateTest, ACleanConfigurationReportsNothingAndStaysAsItWas) {
  EXPECT_TRUE(Validate(config).empty());

  TPortMODBUS* rtu = AddRtuPort(1, 33);
  rtu->AddDevices({{1, ""}, {2, ""}});
  TPortRTUTCP* tcp = AddTcpPort(2);
  static_cast<TRTUTCP*>(tcp->AddChild(kModbusDevice))->SetIp(0xC0A80105);
  static_cast<TRTUTCP*>(tcp->AddChild(kModbusDevice))->SetIp(0xC0A80106);
  TPC* pc = AddPc();
  pc->List(kKindTS)->Append(Acquire(rtu->LinkStates()->At(0)));
  const std::string before = test::DumpTree(config);
  const std::vector<std::uint8_t> image = test::Build(config);

  const std::vector<Problem> problems = Validate(config);
  EXPECT_TRUE(problems.empty()) << Lines(problems)[0];
  EXPECT_FALSE(HasErrors(problems));
  EXPECT_TRUE(messages.Errors.empty()) << messages.Errors[0];
  EXPECT_EQ(test::DumpTree(config), before);
  EXPECT_EQ(test::Build(config), image);
}

// The save checks, each said of its port: a kind the firmware does not allow and a number
// taken twice stop saving (errors); a port without its board is a warning.
TEST_F(ValidateTest, SaveChecksOfThePorts) {
  auto* a = test::AddFieldPort(config, 1, "A", 0, 0, 0);
  test::LinkToBoard(a, 33);
  test::AddFieldPort(config, 1, "B", 0, 0, 0);  // number 1 again, on no board
  TController& c = config.Controller();
  c.Record.Minor = 5;
  c.ApplyModel();
  auto* tcp =
      static_cast<test::FieldPort*>(config.Append(c.Proc(), MakePort(config, test::kTcpPortCode)));
  tcp->Number = 3;
  tcp->UpdateCaption();
  test::LinkToBoard(tcp, 34);

  const std::vector<Problem> problems = Validate(config);
  EXPECT_EQ(Lines(problems),
            (std::vector<std::string>{
                "предупреждение\tВИЛК.A2/Процессор/1_Порт Поле\tПорт не связан с платой COM.",
                "ошибка\tВИЛК.A2/Процессор/1_Порт Поле\tАдрес порта 1 совпадает с адресом "
                "порта 1_Порт Поле.",
                "ошибка\tВИЛК.A2/Процессор/3_Порт Поле\tПорт Поле не совместим с контроллером "
                "или его версией ПФ."}));
  EXPECT_TRUE(HasErrors(problems));
  EXPECT_EQ(problems[0].Item, c.Proc()->Child(2));
  // Saving refuses the same configuration.
  messages.Errors.clear();
  EXPECT_TRUE(test::Build(config).empty());
}

// Devices of one port: an address or an IP address taken twice is an error; equal last
// octets of different addresses give equal signal names, a warning.
TEST_F(ValidateTest, DeviceAddressesOnOnePort) {
  TPortMODBUS* rtu = AddRtuPort(1, 33);
  rtu->AddDevices({{5, "A"}, {6, "B"}});
  TRTU* second = rtu->ModbusDevices()[1];
  second->Number = 5;
  second->UpdateCaption();
  // The same address on another port is no clash.
  AddRtuPort(2, 34)->AddDevices({{5, ""}});

  TPortRTUTCP* tcp = AddTcpPort(3);
  for (std::uint32_t ip : {0xC0A80105u, 0xC0A80105u, 0xC0A80205u, 0xC0A80307u})
    static_cast<TRTUTCP*>(tcp->AddChild(kModbusDevice))->SetIp(ip);

  const std::vector<Problem> problems = Validate(config);
  const std::vector<std::string> lines = Lines(problems);
  // Both devices named after the octet 5 give their link state the name of the first.
  ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0], "ошибка\tВИЛК.A2/Процессор/1_Порт MODBUS-RTU/" + second->Caption() +
                          "\tАдрес 5 уже задан устройству " + rtu->ModbusDevices()[0]->Caption() +
                          ".");
  EXPECT_EQ(problems[0].Item, second);
  const std::vector<TRTU*> tcps = tcp->ModbusDevices();
  EXPECT_EQ(lines[1], "ошибка\tВИЛК.A2/Процессор/3_Порт MODBUS-TCP/" + tcps[1]->Caption() +
                          "\tIP адрес 192.168.1.5 уже задан устройству " + tcps[0]->Caption() +
                          ".");
  EXPECT_EQ(problems[1].Item, tcps[1]);
  EXPECT_EQ(lines[2], "предупреждение\tВИЛК.A2/Процессор/3_Порт MODBUS-TCP/" + tcps[2]->Caption() +
                          "\tПоследний байт IP адреса (5) совпадает с "
                          "устройством " +
                          tcps[0]->Caption() + ": имена сигналов повторяются.");
  EXPECT_EQ(problems[2].Item, tcps[2]);
  const std::string linkState =
      "предупреждение\tВИЛК.A2/Процессор/3_Порт MODBUS-TCP/ТС\tИмя "
      "сигнала ТС «3_Порт.связь_5_RTU_TCP» уже есть в ВИЛК.A2/"
      "Процессор/3_Порт MODBUS-TCP/ТС.";
  EXPECT_EQ(lines[3], linkState);
  EXPECT_EQ(lines[4], linkState);
}

// PCs on the IP port: one address each; their number is no address, so two PCs whose
// addresses end alike are no clash.
TEST_F(ValidateTest, PcAddresses) {
  TPC* first = AddPc();
  TPC* second = AddPc();
  TPC* third = AddPc();
  first->PcIp = 0x0A000001;
  second->PcIp = 0x0A000101;
  third->PcIp = 0x0A000001;
  EXPECT_EQ(Lines(Validate(config)),
            (std::vector<std::string>{"ошибка\t" + CaptionPath(*third) +
                                      "\tIP адрес 10.0.0.1 уже задан устройству " +
                                      first->Caption() + "."}));
  third->PcIp = 0x0A000002;
  EXPECT_TRUE(Validate(config).empty());
}

// IEC-104 windows and timers, on both sides of the link (a PC and a polled device).
TEST_F(ValidateTest, Iec104ParametersThatStallALink) {
  TPC* pc = AddPc();
  pc->K = 0;
  pc->W = 0;
  auto* port = static_cast<TPortRTU104*>(
      config.Append(config.Controller().Proc(), MakePort(config, kPortRTU104)));
  auto* rtu = static_cast<TRTU104*>(port->AddChild(kRTU104Device));
  ASSERT_NE(rtu, nullptr);
  rtu->K = 4;
  rtu->W = 5;
  rtu->T1 = 10000;
  rtu->T2 = 10000;
  rtu->T3 = 9000;
  const std::string pcPath = CaptionPath(*pc), rtuPath = CaptionPath(*rtu);
  EXPECT_EQ(Lines(Validate(config)),
            (std::vector<std::string>{
                "ошибка\t" + pcPath + "\tK = 0: передача кадров невозможна.",
                "ошибка\t" + pcPath + "\tW = 0: приём кадров не подтверждается.",
                "ошибка\t" + rtuPath +
                    "\tW (5) больше K (4): подтверждение не успевает до остановки передачи.",
                "ошибка\t" + rtuPath +
                    "\tT2 (10000 мс) не меньше T1 (10000 мс): подтверждение "
                    "опаздывает.",
                "предупреждение\t" + rtuPath +
                    "\tT3 (9000 мс) меньше T1 (10000 мс): тестовые кадры чаще таймаута."}));

  // At the edges nothing is said: W = K, T2 just below T1, T3 = T1.
  pc->K = pc->W = 1;
  rtu->W = 4;
  rtu->T2 = 9999;
  rtu->T3 = 10000;
  EXPECT_TRUE(Validate(config).empty());
}

TEST_F(ValidateTest, ModbusRowsBeyondOneRequest) {
  TPortMODBUS* port = AddRtuPort(1, 33);
  port->AddDevices({{1, ""}});
  TRTU* rtu = port->ModbusDevices()[0];
  rtu->TI[0] = {0, 3, 100, 125};  // the most one request reads
  rtu->TI[7] = {2, 4, 0, 126};
  const std::vector<Problem> problems = Validate(config);
  ASSERT_EQ(problems.size(), 1u) << Lines(problems)[0];
  EXPECT_EQ(ProblemLine(problems[0]), "ошибка\t" + CaptionPath(*rtu) +
                                          "\tТаблица ТИ, строка 8: 126 слов в одном запросе, "
                                          "больше 125.");
}

// One kind beyond 8192 signals stops saving; said of the whole configuration.
TEST_F(ValidateTest, SignalsOfAKindBeyondTheLimit) {
  auto* a = test::AddFieldPort(config, 1, "A", 8000, 0, 0);
  auto* b = test::AddFieldPort(config, 2, "B", 192, 0, 0);
  test::LinkToBoard(a, 33);
  test::LinkToBoard(b, 34);
  EXPECT_TRUE(Validate(config).empty());
  b->TsCount = 193;
  b->UpdateSignalList();
  EXPECT_EQ(Lines(Validate(config)),
            (std::vector<std::string>{"ошибка\tВИЛК.A2\tКоличество сигналов ТС превышает 8192."}));
}

// A name held by two signals of a kind (in any lists) is said where it repeats; the same
// name in another kind is no repeat.
TEST_F(ValidateTest, NamesThatRepeatInThePool) {
  auto* a = test::AddFieldPort(config, 1, "A", 2, 0, 1);
  auto* b = test::AddFieldPort(config, 2, "B", 2, 0, 0);
  test::LinkToBoard(a, 33);
  test::LinkToBoard(b, 34);
  a->TS()->At(1)->SetName("Ввод 1");
  a->TI()->At(0)->SetName("Ввод 1");
  b->TS()->At(0)->SetName("Ввод 1");
  b->TS()->At(1)->SetName("Ввод 1");
  EXPECT_EQ(Lines(Validate(config)),
            (std::vector<std::string>{
                "предупреждение\tВИЛК.A2/Процессор/2_Порт Поле/ТС\tИмя сигнала ТС «Ввод 1» уже "
                "есть в ВИЛК.A2/Процессор/1_Порт Поле/ТС.",
                "предупреждение\tВИЛК.A2/Процессор/2_Порт Поле/ТС\tИмя сигнала ТС «Ввод 1» уже "
                "есть в ВИЛК.A2/Процессор/1_Порт Поле/ТС."}));
}

// Selection entries that are no pool signal: empty positions, and names saving cannot find.
TEST_F(ValidateTest, UnresolvedSelections) {
  auto* a = test::AddFieldPort(config, 1, "A", 3, 0, 0);
  test::LinkToBoard(a, 33);
  TPC* pc = AddPc();
  TParams& ts = *pc->List(kKindTS);
  ts.Append(Acquire(a->TS()->At(0)));
  InsertPlaceholder(ts, 0);
  ts.Append(Acquire(a->TS()->At(1)));
  InsertPlaceholder(ts, 3);
  ts.Append(Acquire(a->TS()->At(2)));
  EXPECT_EQ(Lines(Validate(config)),
            (std::vector<std::string>{"предупреждение\t" + CaptionPath(ts) +
                                      "\tПозиций без сигнала: 2 (первая - 1)."}));

  // The port's signals go: the selection keeps names it cannot find again.
  a->TsCount = 0;
  a->UpdateSignalList();
  config.Storage().RebuildPool();
  ASSERT_EQ(ts.Count(), 5);
  const std::vector<Problem> problems = Validate(config);
  ASSERT_EQ(problems.size(), 2u) << ::testing::PrintToString(Lines(problems));
  EXPECT_EQ(problems[0].Message,
            "Сигналов нет в списке сигналов: 3 (первый - «" + ts.At(1)->Name() + "», позиция 2).");
  EXPECT_EQ(problems[0].Level, Severity::Warning);
  EXPECT_EQ(problems[1].Message, "Позиций без сигнала: 2 (первая - 1).");
}

// A kind's own save check joins the report without code of its own: an error when it
// stopped the build.
TEST_F(ValidateTest, AKindsOwnSaveCheck) {
  auto* port = test::AddFieldPort(config, 1, "нельзя", 0, 0, 0, kStrictPortCode);
  test::LinkToBoard(port, 33);
  const std::vector<Problem> problems = Validate(config);
  EXPECT_EQ(Lines(problems),
            (std::vector<std::string>{"ошибка\tВИЛК.A2\tПорт 1_Порт Поле: устройство не задано."}));
  EXPECT_TRUE(messages.Errors.empty());
  port->DeviceName = "можно";
  EXPECT_TRUE(Validate(config).empty());
}

}  // namespace
}  // namespace vilk
