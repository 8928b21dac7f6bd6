#include "runtime/ui/qt/QtConversions.h"

#include <QFontDatabase>
#include <QKeyEvent>

#include "runtime/ui/Key.h"
#include "runtime/ui/MessageBoxRequest.h"

namespace runtime::ui::qt {

QString QtConversions::ToQt(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string QtConversions::FromQt(const QString& text) { return text.toStdString(); }

QString QtConversions::Lines(std::string_view text) {
  QString lines = ToQt(text);
  lines.replace(QChar(MessageBoxRequest::LineBreak), QChar('\n'));
  return lines;
}

QFont QtConversions::FontFor(std::string_view face, int32_t points) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  const QString family = ToQt(face);
  // Only a family the desktop really has replaces its default: asking Qt for a missing
  // one would give whatever its matcher finds, often not a sans font at all.
  if (!family.isEmpty() && QFontDatabase::hasFamily(family)) font.setFamily(family);
  if (points > 0) font.setPointSize(points);
  return font;
}

Qt::Alignment QtConversions::AlignmentOf(ListColumn::Justify justify) {
  switch (justify) {
    case ListColumn::Justify::Right:
    case ListColumn::Justify::Decimal: return Qt::AlignRight | Qt::AlignVCenter;
    case ListColumn::Justify::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case ListColumn::Justify::Left: break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

int32_t QtConversions::KeyCodeOf(const QKeyEvent& event) {
  int32_t base = 0;
  const int key = event.key();
  switch (key) {
    case Qt::Key_Backspace: base = Key::Backspace; break;
    case Qt::Key_Tab: base = Key::Tab; break;
    case Qt::Key_Return: case Qt::Key_Enter: base = Key::Enter; break;
    case Qt::Key_Escape: base = Key::Esc; break;
    case Qt::Key_Space: base = Key::Space; break;
    case Qt::Key_PageUp: base = Key::PgUp; break;
    case Qt::Key_PageDown: base = Key::PgDn; break;
    case Qt::Key_End: base = Key::End; break;
    case Qt::Key_Home: base = Key::Home; break;
    case Qt::Key_Left: base = Key::Left; break;
    case Qt::Key_Up: base = Key::Up; break;
    case Qt::Key_Right: base = Key::Right; break;
    case Qt::Key_Down: base = Key::Down; break;
    case Qt::Key_Insert: base = Key::Insert; break;
    case Qt::Key_Delete: base = Key::Delete; break;
    case Qt::Key_Menu: base = Key::MenuKey; break;
    default:
      if (key >= Qt::Key_0 && key <= Qt::Key_9) base = Key::Digit0 + (key - Qt::Key_0);
      else if (key >= Qt::Key_A && key <= Qt::Key_Z) base = Key::A + (key - Qt::Key_A);
      else if (key >= Qt::Key_F1 && key <= Qt::Key_F12) base = Key::F1 + (key - Qt::Key_F1);
      break;
  }
  if (base == 0) return 0;
  const Qt::KeyboardModifiers mods = event.modifiers();
  if (mods & Qt::ShiftModifier) base += Key::Shift;
  if (mods & Qt::ControlModifier) base += Key::Ctrl;
  if (mods & Qt::AltModifier) base += Key::Alt;
  return base;
}

int QtConversions::QtKeyOf(int32_t code, Qt::KeyboardModifiers& modifiers) {
  modifiers = Qt::NoModifier;
  if (code & Key::Shift) modifiers |= Qt::ShiftModifier;
  if (code & Key::Ctrl) modifiers |= Qt::ControlModifier;
  if (code & Key::Alt) modifiers |= Qt::AltModifier;
  const int32_t base = Key::Base(code);
  switch (base) {
    case Key::Backspace: return Qt::Key_Backspace;
    case Key::Tab: return Qt::Key_Tab;
    case Key::Enter: return Qt::Key_Return;
    case Key::Esc: return Qt::Key_Escape;
    case Key::Space: return Qt::Key_Space;
    case Key::PgUp: return Qt::Key_PageUp;
    case Key::PgDn: return Qt::Key_PageDown;
    case Key::End: return Qt::Key_End;
    case Key::Home: return Qt::Key_Home;
    case Key::Left: return Qt::Key_Left;
    case Key::Up: return Qt::Key_Up;
    case Key::Right: return Qt::Key_Right;
    case Key::Down: return Qt::Key_Down;
    case Key::Insert: return Qt::Key_Insert;
    case Key::Delete: return Qt::Key_Delete;
    case Key::MenuKey: return Qt::Key_Menu;
    default:
      if (base >= Key::Digit0 && base <= Key::Digit0 + 9) return Qt::Key_0 + (base - Key::Digit0);
      if (base >= Key::A && base <= Key::Z) return Qt::Key_A + (base - Key::A);
      if (base >= Key::F1 && base <= Key::F1 + 11) return Qt::Key_F1 + (base - Key::F1);
      return 0;
  }
}

}  // namespace runtime::ui::qt
