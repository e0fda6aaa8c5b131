#pragma once
// The commissioning report as a PDF: the core's HTML page laid out by Qt's text document.
#include <QString>

namespace vilk {
class Configuration;
}

namespace vilk::ui {

// Writes the report of `config` to `path` (all or nothing: a failed write leaves no file
// and keeps an existing one). `source` names the configuration in the heading. On failure
// `error` says why.
bool WriteReportPdf(const Configuration& config, const QString& source, const QString& path,
                    QString* error);

}  // namespace vilk::ui
