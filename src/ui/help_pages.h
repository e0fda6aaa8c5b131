#pragma once
// Help by context: every frame kind has a page of its own, numbered from its kind key, that
// says what the frame is for and lists each of its fields with the values it takes and the
// unit; every page ends with the window's keyboard shortcuts.
#include <QString>
#include <string>

#include "model/kinds.h"

class QWidget;

namespace vilk::ui {

// The help context of a frame kind: 100000 + (parent kind + 3) × 256 + code, so that it
// stays the same when kinds are added to the table. Context 1 is "Как пользоваться".
int HelpContextOf(KindKey key);

// The page of an open frame: the kind's heading and purpose, then one row per field as the
// frame lays it out (label, kind of input, range, unit, the field's hint).
QString FrameHelpPage(int context, const QWidget& frame, const QString& caption);

// What a kind is for, by its class name (empty for a kind without a line yet).
QString KindPurpose(const std::string& className);

// The shortcut table at the end of every page.
QString ShortcutsSection();

}  // namespace vilk::ui
