#pragma once
// The demonstration configuration: a ВИЛК.A1-X with its discrete inputs named after a small
// substation, a control-centre PC that receives them and an SNMP port with a UPS. The
// README's pictures and the CLI tests use it.
#include "model/configuration.h"

namespace vilk {

void BuildDemo(Configuration& config);

}  // namespace vilk
