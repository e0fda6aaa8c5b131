// vilkcfg-report: the commissioning report as a PDF, run by vilkcfg for "report ... OUT.pdf".
// A PDF needs Qt's text layout and fonts, which vilkcfg itself does not load.
#include <QFileInfo>
#include <QGuiApplication>
#include <iostream>

#include "finish_output.h"
#include "home.h"
#include "model/configuration.h"
#include "model/image_ops.h"
#include "ports/fieldbus/templates.h"
#include "report_pdf.h"
#include "stream_messages.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() != 3 || args[0] != "report") {
    std::cerr << "vilkcfg-report: run by vilkcfg for: report FILE.cfg OUT.pdf\n";
    return 2;
  }
  // No screen is needed to lay out text: without one, the offscreen platform does.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  vilk::SetTemplateHome(vilk::cli::DefaultHome());
  vilk::cli::StreamMessages messages(std::cerr);
  vilk::Configuration config(messages);
  vilk::ConfigImage image;
  if (!vilk::OpenConfigFile(config, image, args[1])) return 1;
  QString error;
  if (!vilk::ui::WriteReportPdf(config, QString::fromStdString(vilk::BaseFileName(args[1])),
                                QString::fromLocal8Bit(args[2].c_str()), &error)) {
    messages.Error("Ошибка записи файла " + args[2] + ": " + error.toStdString());
    return 1;
  }
  return vilk::cli::FinishOutput(0);
}
