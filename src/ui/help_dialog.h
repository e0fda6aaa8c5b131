#pragma once
#include <QWidget>

namespace vilk::ui {

// Shows the bundled help page of a help context (1 = "Как пользоваться").
void ShowHelp(QWidget* parent, int context);
// The page text of a context ("" when the context has no page of its own).
QString HelpPage(int context);
// "О программе".
void ShowAbout(QWidget* parent);

}  // namespace vilk::ui
