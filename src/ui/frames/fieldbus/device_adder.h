#pragma once
// Ports whose add-device command asks the user first (the Modbus RTU port asks for the
// addresses and types of its new devices). Other ports add through their AddChild.
#include <QWidget>
#include <functional>

#include "model/item.h"

namespace vilk::ui {

// Adds devices of `kind` to `port`, asking with dialogs parented to `parent`; returns the
// first device added, nullptr when nothing was added.
using DeviceAdder = std::function<TItem*(TItem* port, int kind, QWidget* parent)>;

void RegisterDeviceAdder(int portKind, DeviceAdder adder);
// The adder of the port's kind; empty when the port adds by itself.
DeviceAdder FindDeviceAdder(const TItem& port);

}  // namespace vilk::ui
