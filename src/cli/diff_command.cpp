#include "diff_command.h"

#include "base/messages.h"
#include "controller/controller.h"
#include "home.h"
#include "model/configuration.h"
#include "model/diff.h"
#include "model/image_ops.h"
#include "ports/fieldbus/templates.h"
#include "stream_messages.h"

namespace vilk::cli {

int RunDiff(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> files;
  for (const std::string& a : args) {
    if (a.size() > 1 && a[0] == '-') {
      err << "vilkcfg: unknown option " << a << "\nTry 'vilkcfg --help'.\n";
      return 2;
    }
    files.push_back(a);
  }
  if (files.size() != 2) {
    err << "vilkcfg: diff needs two files\nTry 'vilkcfg --help'.\n";
    return 2;
  }
  SetTemplateHome(DefaultHome());
  StreamMessages messages{err};
  Configuration first(messages), second(messages);
  ConfigImage image;
  // A file that does not load cannot be compared: trouble, not a difference.
  if (!OpenConfigFile(first, image, files[0]) || !OpenConfigFile(second, image, files[1])) return 2;
  const std::vector<ItemDiff> diffs = CompareTrees(first.Controller(), second.Controller());
  out << DiffText(diffs);
  return diffs.empty() ? 0 : 1;
}

}  // namespace vilk::cli
