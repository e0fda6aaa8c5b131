#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const int status = vilk::cli::Run(args, std::cout, std::cerr);
  // Output that never arrived (a full disk, a closed pipe) is a failure, not a success.
  std::cout.flush();
  if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::cerr << "vilkcfg: вывод не записан: " << std::strerror(errno ? errno : EIO) << '\n';
    return status == 0 ? 1 : status;
  }
  return status;
}
