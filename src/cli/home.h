#pragma once
// The home folder of "Vilk.ini", "MODBUS/", "IEC_103/" and "MIBs/" as the window finds it:
// VILK_HOME, else the program's folder when writable, else the user's data folder.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vilk::cli {

inline std::string DefaultHome() {
  namespace fs = std::filesystem;
  if (const char* home = std::getenv("VILK_HOME"); home && *home) return home;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec && ::access(exe.parent_path().c_str(), W_OK) == 0) return exe.parent_path().string();
  if (const char* user = std::getenv("HOME"); user && *user)
    return (fs::path(user) / ".local/share/Vilk").string();
  return ".";
}

}  // namespace vilk::cli
