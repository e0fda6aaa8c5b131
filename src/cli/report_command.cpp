#include "report_command.h"

#include "base/files.h"
#include "home.h"
#include "model/configuration.h"
#include "model/image_ops.h"
#include "model/report.h"
#include "ports/fieldbus/templates.h"
#include "stream_messages.h"

namespace vilk::cli {

namespace {
bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
}  // namespace

int RunReport(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  if (args.size() != 2) {
    err << "vilkcfg: report needs a configuration and an output file\nTry 'vilkcfg --help'.\n";
    return 2;
  }
  const std::string& target = args[1];
  if (!EndsWith(target, ".html") && !EndsWith(target, ".htm")) {
    // A PDF needs Qt's text layout: the vilkcfg program hands OUT.pdf to vilkcfg-report.
    err << "vilkcfg: report writes OUT.html here; OUT.pdf is written by vilkcfg-report\n";
    return 2;
  }
  SetTemplateHome(DefaultHome());
  StreamMessages messages{err};
  Configuration config(messages);
  ConfigImage image;
  if (!OpenConfigFile(config, image, args[0])) return 1;
  const std::string html = CommissioningReportHtml(config, BaseFileName(args[0]));
  std::string error;
  if (!WriteFileAtomic(target, html.data(), html.size(), &error)) {
    messages.Error("Ошибка записи файла " + target + ": " + error);
    return 1;
  }
  return 0;
}

}  // namespace vilk::cli
