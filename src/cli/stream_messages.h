#pragma once
// Messages that the window would show in a box, on a stream (stderr): one message at a time,
// its line breaks (CR, CR LF) as new lines. Questions are answered from --yes.
#include <ostream>
#include <string>

#include "base/messages.h"

namespace vilk::cli {

inline std::string MessageLines(const std::string& text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += '\n';
    } else {
      line += text[i];
    }
  }
  return line;
}

class StreamMessages : public IMessages {
 public:
  explicit StreamMessages(std::ostream& err, bool yes = false) : err_(err), yes_(yes) {}
  void Error(const std::string& text) override {
    ++errors_;
    err_ << MessageLines(text) << '\n';
  }
  void Info(const std::string& text) override { err_ << MessageLines(text) << '\n'; }
  // Error boxes shown so far (a check that showed one has found a problem).
  int Errors() const { return errors_; }
  Answer Question(const std::string& text, bool) override {
    err_ << MessageLines(text) << '\n';
    if (!yes_ && explainNo_) err_ << "vilkcfg: not confirmed (give --yes to answer \"Да\")\n";
    return yes_ ? Answer::Yes : Answer::No;
  }
  // Device commands say why an unanswered question stops them.
  void ExplainRefusals() { explainNo_ = true; }

 protected:
  std::ostream& err_;
  int errors_ = 0;

 private:
  bool yes_;
  bool explainNo_ = false;
};

}  // namespace vilk::cli
