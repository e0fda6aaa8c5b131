#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "cli.h"
#include "finish_output.h"

namespace {

// The controller commands run in vilkcfg-link beside this program, in its place (same
// arguments, same standard streams, its exit status ours); a PDF report in vilkcfg-report.
int RunLinkProgram(char** argv, const char* program = "vilkcfg-link") {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::string link =
      (ec ? std::filesystem::path(argv[0]).parent_path() : self.parent_path()) / program;
  std::cout.flush();
  std::fflush(stdout);
  ::execv(link.c_str(), argv);
  std::cerr << "vilkcfg: не удалось запустить " << link << ": " << std::strerror(errno) << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && vilk::cli::IsDeviceCommand(args[0])) return RunLinkProgram(argv);
  if (args.size() == 3 && args[0] == "report" && args[2].size() > 4 &&
      args[2].compare(args[2].size() - 4, 4, ".pdf") == 0)
    return RunLinkProgram(argv, "vilkcfg-report");
  return vilk::cli::FinishOutput(vilk::cli::Run(args, std::cout, std::cerr));
}
