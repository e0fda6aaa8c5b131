#pragma once
// The commissioning report handed to the control-centre team: for each PC its point list
// (kind, information object address, name, owner, inversion, gain and offset) and the
// controller's ports with their boards and devices, as one HTML page.
#include <string>

namespace vilk {

class Configuration;

// `source` names the configuration file in the heading (may be empty).
std::string CommissioningReportHtml(const Configuration& config, const std::string& source);

// Text made safe for HTML: & < > " as entities.
std::string HtmlText(const std::string& text);

}  // namespace vilk
