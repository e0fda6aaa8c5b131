#pragma once
// The kind table and the factories that turn a type code into an item.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/item.h"

namespace vilk {

struct KindInfo {
  int Code;
  const char* ClassName;
  int Level;
  const char* MenuCaption;  // the command that creates it ("" when created by its owner)
};
const std::vector<KindInfo>& KindTable();
// The add-port commands of the processor board's menu, in menu order.
std::vector<KindInfo> PortMenuKinds();

using PortFactoryFn = std::function<std::unique_ptr<TPort>(Configuration&)>;
using DeviceFactoryFn = std::function<std::unique_ptr<TPort>(Configuration&)>;

// Board factory: 0, 121, 200, 223; nullptr for anything else. COM boards are numbered
// 32 + `comOrdinal`.
std::unique_ptr<TBlock> MakeBoard(Configuration& config, int kind, int comOrdinal = 1);
// Port factory: the port kinds this build implements; nullptr for any other code.
std::unique_ptr<TPort> MakePort(Configuration& config, int code);
// Device factory: the item a port creates for a child block id (202 is a PC under the
// IP port, a Modbus device under a Modbus port, ...); nullptr when none is known.
std::unique_ptr<TPort> MakeDevice(Configuration& config, int parentKind, int code);

// Port and device kinds register here (each port module adds its own).
void RegisterPortKind(int code, PortFactoryFn factory);
void RegisterDeviceKind(int parentKind, int code, DeviceFactoryFn factory);
void UnregisterDeviceKind(int parentKind, int code);
void UnregisterPortKind(int code);
// Back to the kinds this build implements (tests that registered stand-ins call it).
void ResetKindRegistry();

// "Неизвестный тип порта,\rID = " + code
std::string UnknownPortMessage(int code);

}  // namespace vilk
