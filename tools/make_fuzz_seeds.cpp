// Writes large seed images for the fuzzers (each prefixed with the harness's flag byte 0):
// the demonstration configuration, an SNMP device of 8,192 tags, a PC selecting 8,192
// inputs of Modbus devices, and one port of every kind this build makes, with devices.
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "base/format.h"
#include "controller/controller.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "demo.h"
#include "model/image_ops.h"
#include "model/kinds.h"
#include "ports/fieldbus/modbus.h"
#include "ports/telemechanics/pc.h"
#include "signals/list_edit.h"
#include "signals/storage.h"
#include "snmp/port_snmp.h"

using namespace vilk;

namespace {

bool Write(Configuration& config, const std::string& path) {
  auto image = std::make_unique<ConfigImage>();
  if (!BuildImage(config, *image, "seed.cfg", "", BuildTime{1, 1, 2026, 0, 0, 0})) return false;
  std::ofstream out(path, std::ios::binary);
  out.put('\0');
  out.write(reinterpret_cast<const char*>(image->Data()),
            static_cast<std::streamsize>(image->TotalSize));
  return static_cast<bool>(out);
}

template <typename T>
T* AddPort(Configuration& config, int code, int number) {
  auto* port = static_cast<T*>(config.Append(config.Controller().Proc(), MakePort(config, code)));
  port->Number = static_cast<std::uint8_t>(number);
  port->UpdateCaption();
  return port;
}

void SnmpOf8192Tags(Configuration& config) {
  auto* port = AddPort<TPortSNMP>(config, kPortSNMP, 1);
  auto* device = static_cast<TSNMP*>(port->AddChild(kSNMPDevice));
  TSNMP_TagList tags;
  for (int i = 0; i < 8192; ++i) {
    OidValue oid;
    TSNMP_Tag tag;
    if (OidFromText(Format("1.3.6.1.2.1.2.2.1.10.%d", i + 1), &oid) &&
        TSNMP_Tag::Make(Format("ifInOctets.%d", i + 1), oid, &tag))
      tags.push_back(tag);
  }
  device->SetTags(tags);
}

void PcSelecting8192(Configuration& config) {
  auto* port = AddPort<TPortMODBUS>(config, kPortMODBUS, 1);
  // 32 devices: 31 of 256 inputs and one of 223, with 32 link states and the PC's own
  // link state that is all 8,192 the pool holds.
  for (int d = 0; d < 32; ++d) {
    TRTU* device = port->AddDevice(d + 1, "");
    int left = d < 31 ? 256 : 223;
    for (int r = 0; r < kModbusRows && left > 0; ++r) {
      const int bits = left < 32 ? left : 32;
      device->TS[static_cast<std::size_t>(r)] = {1, static_cast<std::uint16_t>(r * 32),
                                                 static_cast<std::uint8_t>(bits)};
      left -= bits;
    }
    device->Fresh = false;
    device->UpdateSignalList();
  }
  TPortIP* ip = config.Controller().PortIP();
  auto* pc = static_cast<TPC*>(ip->AddChild(kPCKind));
  config.Storage().ForceRebuild();
  TParams& pool = config.Storage().List(kKindTS);
  SelectAll(pool);
  AddFromPool(*pc->List(kKindTS), pool, false);
  ClearSelection(pool);
  config.Storage().ForceRebuild();
}

void EveryKind(Configuration& config) {
  int number = 1;
  for (const KindRow& row : KindTable()) {
    if (!row.IsPort() || !row.Make || row.Code == kPortIP) continue;
    TItem* port = config.Append(config.Controller().Proc(), MakePort(config, row.Code));
    port->Number = static_cast<std::uint8_t>(number++);
    port->UpdateCaption();
    for (const KindRow* device : AddCommands(*port)) port->AddChild(device->Code);
  }
  config.Controller().PortIP()->AddChild(kPCKind);
  config.Storage().ForceRebuild();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  ToolMessages messages;
  struct Seed {
    const char* name;
    void (*make)(Configuration&);
  };
  const Seed seeds[] = {{"demo", BuildDemo},
                        {"snmp-8192-tags", SnmpOf8192Tags},
                        {"pc-8192-selections", PcSelecting8192},
                        {"every-kind", EveryKind}};
  int failed = 0;
  for (const Seed& seed : seeds) {
    Configuration config(messages);
    seed.make(config);
    if (!Write(config, dir + "/" + seed.name + ".bin")) {
      std::fprintf(stderr, "make_fuzz_seeds: %s not written\n", seed.name);
      ++failed;
    }
  }
  return failed ? 1 : 0;
}
