#include "mib_command.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "home.h"
#include "snmp/mib.h"
#include "snmp/mib_tree.h"

namespace vilk::cli {

namespace {

int Usage(std::ostream& err, const std::string& why) {
  err << "vilkcfg: " << why << "\nTry 'vilkcfg --help'.\n";
  return 2;
}

// "MIBs" in the home folder.
std::string DefaultMibFolder() {
  return (std::filesystem::path(DefaultHome()) / "MIBs").string();
}

// Every module of a folder in one run, each as the single-file command reads it (with its
// imports), after a line "# PATH". Exit 1 when the folder or any file could not be read.
int RunMibFolder(const std::string& dir, const std::string& importFolder, std::ostream& out,
                 std::ostream& err) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<std::string> paths;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec)) paths.push_back(it->path().string());
  if (ec) {
    err << "Не удалось прочитать папку " << dir << ": " << ec.message() << '\n';
    return 1;
  }
  std::sort(paths.begin(), paths.end());
  TMib mib;
  mib.MibFolder = importFolder;
  mib.OnInfo = [&](const std::string& text) { err << text << '\n'; };
  mib.OnError = [&](const std::string& text) { err << text << '\n'; };
  bool allRead = true;
  for (const std::string& path : paths) {
    out << "# " << path << '\n';
    if (!mib.LoadMib(path)) {
      allRead = false;
      continue;
    }
    for (const TOIDEntry& e : mib.Oids())
      out << e.Name << '\t' << OidToText(e.Oid) << '\t' << e.Category << '\n';
  }
  return allRead ? 0 : 1;
}

}  // namespace

int RunMib(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  bool tree = false;
  std::string folder, all;
  bool haveFolder = false;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--tree") {
      tree = true;
    } else if (args[i] == "--all") {
      if (i + 1 >= args.size()) return Usage(err, "--all needs a folder");
      all = args[++i];
    } else if (args[i] == "--mib-dir") {
      if (i + 1 >= args.size()) return Usage(err, "--mib-dir needs a folder");
      folder = args[++i];
      haveFolder = true;
    } else if (args[i].size() > 2 && args[i].compare(0, 2, "--") == 0) {
      return Usage(err, "unknown option " + args[i]);
    } else {
      files.push_back(args[i]);
    }
  }
  if (!all.empty()) {
    if (!files.empty() || tree) return Usage(err, "mib --all takes a folder and nothing else");
    return RunMibFolder(all, haveFolder ? folder : all, out, err);
  }
  if (files.size() != 1) return Usage(err, "mib needs one MIB file");

  TMib mib;
  mib.MibFolder = haveFolder ? folder : DefaultMibFolder();
  mib.OnInfo = [&](const std::string& text) { err << text << '\n'; };
  mib.OnError = [&](const std::string& text) { err << text << '\n'; };
  if (!mib.LoadMib(files[0])) return 1;

  if (tree) {
    const std::string name = std::filesystem::path(files[0]).filename().string();
    TMibTree view;
    std::vector<std::string> errors;
    view.Build(mib, name, &errors);
    for (const std::string& e : errors) err << e << '\n';
    out << MibTreeText(view);
    return 0;
  }
  for (const TOIDEntry& e : mib.Oids())
    out << e.Name << '\t' << OidToText(e.Oid) << '\t' << e.Category << '\n';
  return 0;
}

}  // namespace vilk::cli
