#pragma once
// The one place where program values become Qt values and back: UTF-8 texts, message
// texts with "|" line breaks, fonts named by the program, list justifications, and the
// runtime's key codes of Qt key presses. Pure functions; the font and key conversions
// need a QGuiApplication and run on the GUI thread.

#include <QFont>
#include <QString>
#include <Qt>

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/ui/ListColumn.h"

class QKeyEvent;

namespace runtime::ui::qt {

class QtConversions {
 public:
  static QString ToQt(std::string_view utf8);
  static std::string FromQt(const QString& text);
  // "Line one|Line two" as two lines.
  static QString Lines(std::string_view text);
  // The program's font by name and size in points; a face the desktop does not have
  // ("Microsoft Sans Serif") becomes the desktop's default sans font at that size.
  static QFont FontFor(std::string_view face, int32_t points);
  static Qt::Alignment AlignmentOf(ListColumn::Justify justify);
  // The runtime's key code (runtime/ui/Key.h) of a key press, 0 for keys it has no code for.
  static int32_t KeyCodeOf(const QKeyEvent& event);
  // The Qt key and modifiers of a key code (0 when Qt has no such key).
  static int QtKeyOf(int32_t code, Qt::KeyboardModifiers& modifiers);
};

}  // namespace runtime::ui::qt
