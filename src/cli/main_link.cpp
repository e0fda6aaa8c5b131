// vilkcfg-link: vilkcfg's controller commands, run by vilkcfg with the same arguments.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "device_commands.h"
#include "finish_output.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::cerr << "vilkcfg-link: run by vilkcfg for its controller commands\n";
    return 2;
  }
  return vilk::cli::FinishOutput(vilk::cli::RunDeviceCommand(args, std::cout, std::cerr));
}
