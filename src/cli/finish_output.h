#pragma once
// The exit status of a command whose output went to stdout: output that never arrived (a
// full disk, a closed pipe) is a failure, not a success.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace vilk::cli {

inline int FinishOutput(int status) {
  std::cout.flush();
  if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::cerr << "vilkcfg: вывод не записан: " << std::strerror(errno ? errno : EIO) << '\n';
    return status == 0 ? 1 : status;
  }
  return status;
}

}  // namespace vilk::cli
