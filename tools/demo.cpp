#include "demo.h"

#include "controller/controller.h"
#include "controller/di.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "model/kinds.h"
#include "ports/telemechanics/pc.h"
#include "signals/list_edit.h"
#include "signals/storage.h"
#include "snmp/asn1.h"
#include "snmp/port_snmp.h"

namespace vilk {

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
}

}  // namespace vilk
