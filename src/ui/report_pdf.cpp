#include "report_pdf.h"

#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include "model/report.h"

namespace vilk::ui {

bool WriteReportPdf(const Configuration& config, const QString& source, const QString& path,
                    QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  {
    QPdfWriter writer(&file);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setTitle(QStringLiteral("Отчёт о конфигурации"));
    QTextDocument document;
    document.setHtml(QString::fromStdString(CommissioningReportHtml(config, source.toStdString())));
    document.print(&writer);
  }
  if (!file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace vilk::ui
