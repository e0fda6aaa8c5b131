#pragma once
// The demonstration configuration: a ВИЛК.A1-X with its discrete inputs named after a small
// substation, a control-centre PC that receives them and an SNMP port with a UPS. The
// README's pictures and the CLI tests use it.
#include <cstdio>

#include "model/configuration.h"

namespace vilk {

// The tools' messages: errors on stderr, questions answered "Да".
class ToolMessages : public IMessages {
 public:
  void Error(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  Answer Question(const std::string&, bool) override { return Answer::Yes; }
};

void BuildDemo(Configuration& config);

}  // namespace vilk
