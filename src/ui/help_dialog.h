#pragma once
#include <QWidget>

namespace vilk::ui {

// Shows the bundled help page of a help context (1 = "Как пользоваться"). With `frame`,
// a context without a bundled page gets the page made from that open frame.
void ShowHelp(QWidget* parent, int context, const QWidget* frame = nullptr,
              const QString& caption = {});
// The page text of a context ("" when the context has no page of its own).
QString HelpPage(int context);
// "О программе".
void ShowAbout(QWidget* parent);

}  // namespace vilk::ui
