#include "demo.h"

#include "controller/controller.h"
#include "controller/di.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "model/kinds.h"
#include "ports/devices/gps.h"
#include "ports/fieldbus/iec103.h"
#include "ports/logic/port_ld.h"
#include "ports/meters/meters.h"
#include "ports/modules/modules.h"
#include "ports/modules/pairing.h"
#include "ports/modules/port_doro.h"
#include "ports/telemechanics/kp.h"
#include "ports/telemechanics/pc.h"
#include "ports/telemechanics/pu.h"
#include "ports/telemechanics/rtu104.h"
#include "signals/list_edit.h"
#include "signals/storage.h"
#include "snmp/asn1.h"
#include "snmp/port_snmp.h"

namespace vilk {

// Remote stations polled on a serial line (Сириус and IEC-101) and a feeder substation
// polled over IEC-104.
static void AddTelemechanicsPolling(Configuration& config) {
  TController& c = config.Controller();
  auto* kp = static_cast<TPortKP*>(config.Append(c.Proc(), MakePort(config, kPortKP)));
  kp->Renumber(8);
  const std::vector<TBlock*> boards = c.BoardCandidates(kp, kp->BoardMask);
  if (!boards.empty()) TController::SelectBoard(kp, boards.front());
  auto* south = static_cast<TKP*>(kp->AddChild(kKPDevice));
  south->Place = "ПС Южная";
  south->Protocol = kProtocolSirius;
  south->ArrayChannel = 2;
  south->GroupTypes[1] = kGroupTI11;
  south->GroupTypes[2] = kGroupTI13;
  south->GroupTypes[3] = kGroupTII36;
  south->ApplyCounts({16, 4, 0, 0, 0, 0});
  if (TParams* ts = south->List(kKindTS)) {
    ts->At(0)->SetName("8_Порт.1_КП.В-10 Т1 включен");
    ts->At(1)->SetName("8_Порт.1_КП.В-10 Т1 отключен");
    SetTSType(*ts, 0, 1);
  }
  auto* tp = static_cast<TKP*>(kp->AddChild(kKPDevice));
  tp->Number = 2;
  tp->Place = "ТП-12";
  tp->Asdu = 12;
  tp->ClockPeriod = 10 * 60000;
  tp->Group1Period = 5 * 60000;
  tp->ApplyCounts({8, 2, 6, 2, 0, 1});
  kp->ChildrenChanged();
  config.Storage().ForceRebuild();

  auto* iec = static_cast<TPortRTU104*>(config.Append(c.Proc(), MakePort(config, kPortRTU104)));
  iec->Renumber(9);
  auto* rp = static_cast<TRTU104*>(iec->AddChild(kRTU104Device));
  rp->Place = "РП-3";
  rp->SetIp(Ip(10, 10, 0, 21));
  rp->Asdu = 21;
  rp->ApplyCounts({24, 4, 12, 4, 0, 0});
  if (TParams* ti = rp->List(kKindTI)) {
    ti->At(0)->SetName("9_Порт.21_RTU104.Ia Ф-1");
    ti->At(0)->Gain = 0.1f;
    ti->At(0)->SetGroup("Токи фидеров");
  }
  iec->ChildrenChanged();
  config.Storage().ForceRebuild();
}

// I/O modules on a DORO port (a RIV-24 of double-point inputs, a DED-12 driving its twelve
// outputs) and the two pairing ports built from their signals.
static void AddModules(Configuration& config) {
  TController& c = config.Controller();
  auto* doro = static_cast<TPortDoro*>(config.Append(c.Proc(), MakePort(config, kPortDoro)));
  doro->Renumber(10);
  const std::vector<TBlock*> boards = c.BoardCandidates(doro, doro->BoardMask);
  if (!boards.empty()) TController::SelectBoard(doro, boards.front());
  auto* riv = static_cast<TMDS24*>(doro->AddChild(kModuleRIV24));
  riv->Mode = 1;
  riv->Debounce = 20;
  riv->UpdateSignalList();
  const char* inputs[] = {"Q1 отключен", "Q1 включен", "Q2 отключен", "Q2 включен"};
  for (int i = 0; i < 4; ++i) TParams::SetShortName(*riv->Inputs()->At(i), inputs[i]);
  auto* ded = static_cast<TMRK12*>(doro->AddChild(kModuleDED12));
  ded->Mode = kModuleOutputMode;
  ded->UpdateSignalList();
  TParams::SetShortName(*ded->Commands()->At(0), "Q1 отключить");
  TParams::SetShortName(*ded->Commands()->At(1), "Q1 включить");
  config.Storage().ForceRebuild();
  for (int i = 0; i < 4; ++i) ded->Outputs()->Append(SignalRef::Share(riv->Inputs()->At(i)));

  auto* ts2 = static_cast<TPortTS2*>(config.Append(c.Proc(), MakePort(config, kPortTS2)));
  ts2->Number = 11;
  ts2->SetCount(2);
  for (int i = 0; i < 2; ++i) {
    ts2->SetChannel(i, false, riv->Inputs()->At(2 * i));
    ts2->SetChannel(i, true, riv->Inputs()->At(2 * i + 1));
    TParams::SetShortName(*ts2->OwnList()->At(i), i ? "Q2" : "Q1");
  }
  ts2->Pairs[1].TransitionTime = 1500;
  auto* tu2 = static_cast<TPortTU2*>(config.Append(c.Proc(), MakePort(config, kPortTU2)));
  tu2->Number = 12;
  tu2->SetCount(1);
  tu2->Pairs[0].OffFlag = 0;
  tu2->SetChannel(0, false, ded->Commands()->At(0));
  tu2->SetChannel(0, true, ded->Commands()->At(1));
  TParams::SetShortName(*tu2->OwnList()->At(0), "Q1");
  config.Storage().ForceRebuild();
}

// A ladder program: a latched alarm, an interlock that reads it, and the signalling.
static void AddLogic(Configuration& config) {
  auto* port =
      static_cast<TPortLD*>(config.Append(config.Controller().Proc(), MakePort(config, kPortLD)));
  port->Number = 13;
  port->UpdateCaption();
  TStorage& pool = config.Storage();
  pool.ForceRebuild();
  auto put = [&](int column, int row, TParam* signal, bool inverse) {
    if (TLD* c = port->AddContact(column, row)) {
      port->SetSignal(*c, signal);
      c->Inverse = inverse;
    }
  };
  auto bridge = [&](int first, int last, int row, TParam* signal) {
    port->Select(port->ElementAt(first, row), false);
    port->SelectRange(last, row);
    if (TLD* c = port->BridgeSelection()) port->SetSignal(*c, signal);
  };
  for (int i = 0; i < 3; ++i) port->AddTask();
  port->RenameOutput(0, "Авария");
  port->RenameOutput(1, "Блокировка Q2");
  port->RenameOutput(2, "Сигнализация");
  TParam* alarm = port->OutputSignal(0);
  // Авария = [Пожар | Неисправность ЗУ | Авария] /Связь с ЩУ
  put(0, 0, pool.FindByName(kKindTS, "Пожар"), false);
  put(1, 0, pool.FindByName(kKindTS, "Связь с ЩУ"), true);
  bridge(0, 0, 0, pool.FindByName(kKindTS, "Неисправность ЗУ"));
  bridge(0, 0, 1, alarm);
  // Блокировка Q2 = Q1 включен /Q1 отключен /Авария
  put(0, 3, pool.FindByName(kKindTS, "Q1 включен"), false);
  put(1, 3, pool.FindByName(kKindTS, "Q1 отключен"), true);
  put(2, 3, alarm, true);
  // Сигнализация = [Дверь ЗРУ | Авария]
  put(0, 4, pool.FindByName(kKindTS, "Дверь ЗРУ"), false);
  bridge(0, 0, 4, alarm);
  port->ClearSelection();
  pool.ForceRebuild();
}

void BuildDemo(Configuration& config) {
  TController& c = config.Controller();
  c.TypeCode = 26;
  c.SelectModelRecord();
  c.ApplyModel();
  c.Proc()->Place = "ПС 110 кВ Северная";
  c.Proc()->Groups.push_back({0.5f, 1.0f, 0, 0, "Токи фидеров"});
  c.Proc()->Groups.push_back({1.0f, 2.0f, 0, 0, "Напряжения"});

  const char* inputs[] = {"Q1 включен",       "Q1 отключен", "Дверь ЗРУ",   "Пожар",
                          "Неисправность ЗУ", "Q2 включен",  "Q2 отключен", "Связь с ЩУ"};
  TDI* di = nullptr;
  for (int i = 1; i < c.ChildCount(); ++i)
    if ((di = dynamic_cast<TDI*>(c.Child(i)))) break;
  if (di)
    for (int i = 0; i < di->Inputs()->Count(); ++i) di->Inputs()->At(i)->SetName(inputs[i]);
  if (di) SetTSType(*di->Inputs(), 0, 1);

  TPortIP* ip = c.PortIP();
  auto* pc = static_cast<TPC*>(ip->AddChild(kPCKind));
  pc->Place = "ДП РЭС";
  pc->PcIp = Ip(192, 168, 1, 10);
  ip->ChildrenChanged();
  config.Storage().ForceRebuild();
  SelectAll(config.Storage().List(kKindTS));
  AddFromPool(*pc->List(kKindTS), config.Storage().List(kKindTS), false);
  ClearSelection(config.Storage().List(kKindTS));
  config.Storage().ForceRebuild();

  // An SNMP port with a UPS polled for three values.
  auto* snmp = static_cast<TPortSNMP*>(config.Append(c.Proc(), MakePort(config, kPortSNMP)));
  snmp->Number = 2;
  snmp->UpdateCaption();
  auto* ups = static_cast<TSNMP*>(snmp->AddChild(kSNMPDevice));
  ups->Place = "ИБП ЩПТ";
  ups->SetAddress({192, 168, 1, 40});
  TSNMP_TagList tags;
  for (const auto& [name, dotted] : std::vector<std::pair<std::string, std::string>>{
           {"upsBatteryVoltage", "1.3.6.1.2.1.33.1.2.5"},
           {"upsOutputVoltage", "1.3.6.1.2.1.33.1.4.4.1.2"},
           {"upsOutputCurrent", "1.3.6.1.2.1.33.1.4.4.1.3"}}) {
    OidValue oid;
    TSNMP_Tag tag;
    if (OidFromText(dotted, &oid) && TSNMP_Tag::Make(name, oid, &tag)) tags.push_back(tag);
  }
  ups->SetTags(tags);
  ups->UpdateSignalList();
  snmp->ChildrenChanged();
  if (TParams* ti = ups->Measurements(); ti && ti->Count() == 3) {
    ti->At(0)->Gain = 0.1f;
    ti->At(1)->SetGroup("Напряжения");
    ti->At(2)->Gain = 0.01f;
    ti->At(2)->SetGroup("Токи фидеров");
  }
  config.Storage().ForceRebuild();

  // A CE303 meter port on a COM board with the two transformer feeds' meters.
  auto* meters = static_cast<TMeterPort*>(config.Append(c.Proc(), MakePort(config, kPortCE303)));
  meters->Renumber(3);
  meters->Period = 5;
  const std::vector<TBlock*> boards = c.BoardCandidates(meters, meters->BoardMask);
  if (!boards.empty()) TController::SelectBoard(meters, boards.front());
  const std::pair<int, const char*> feeds[] = {{12, "Ввод 10 кВ Т1"}, {13, "Ввод 10 кВ Т2"}};
  for (const auto& [address, place] : feeds) {
    auto* meter = static_cast<TMeter*>(meters->AddChild(kMeterCE303));
    meter->SetAddress(static_cast<std::uint32_t>(address));
    meter->Place = place;
    meter->Attempts = 3;
    for (int item : {0, 1, 2, 3, 7, 9}) meter->SetTicked(item, true);
    meter->UpdateSignalList();
  }
  config.Storage().ForceRebuild();

  // The local control panel on a free COM board, passed the whole pool, and the clock
  // source.
  auto* pu = static_cast<TPortPU*>(config.Append(c.Proc(), MakePort(config, kPortPU)));
  pu->Number = 5;
  pu->Place = "Щит управления";
  pu->TIFormat = {16, 36, 11, 11, 22, 0};
  pu->UpdateCaption();
  const std::vector<TBlock*> free = c.BoardCandidates(pu, pu->BoardMask);
  if (!free.empty()) TController::SelectBoard(pu, free.front());
  pu->TakeFromStorage();
  auto* gps = static_cast<TPortGPS*>(config.Append(c.Proc(), MakePort(config, kPortGPS)));
  gps->Number = 6;
  gps->UpdateCaption();
  config.Storage().ForceRebuild();

  // A protection relay polled over IEC-103, its address tables filled.
  auto* relays = static_cast<TPort103*>(config.Append(c.Proc(), MakePort(config, kPort103)));
  relays->Renumber(7);
  const std::vector<TBlock*> left = c.BoardCandidates(relays, relays->BoardMask);
  if (!left.empty()) TController::SelectBoard(relays, left.front());
  if (TRTU103* relay = relays->AddDevice(1, "Sirius-2")) {
    relay->Place = "Ячейка 5";
    relay->TS = {{160, 16}, {160, 17}, {160, 18}, {160, 27}, {160, 28}, {160, 36}};
    relay->TU = {{20, 16}, {20, 17}};
    relay->TI = {{128, 148, 1}, {128, 148, 2}, {128, 148, 3}, {128, 148, 4}, {128, 148, 5}};
    relay->Fresh = false;
    relay->UpdateSignalList();
  }
  config.Storage().ForceRebuild();

  AddTelemechanicsPolling(config);
  AddModules(config);
  AddLogic(config);
}

}  // namespace vilk
