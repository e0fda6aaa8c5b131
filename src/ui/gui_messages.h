#pragma once
// The error box and the question box of the window.
#include <QPointer>
#include <QWidget>

#include "base/messages.h"

namespace vilk::ui {

inline const char kAppTitle[] = "Vilk";

class GuiMessages : public IMessages {
 public:
  explicit GuiMessages(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  void Error(const std::string& text) override;
  Answer Question(const std::string& text, bool withCancel) override;
  void Beep() override;
  // A plain message ("Время установлено.").
  void Info(const std::string& text) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace vilk::ui
