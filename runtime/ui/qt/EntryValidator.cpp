#include "runtime/ui/qt/EntryValidator.h"

#include <utility>

#include "runtime/text/Picture.h"
#include "runtime/ui/qt/QtConversions.h"

namespace runtime::ui::qt {

EntryValidator::EntryValidator(std::string picture, QObject* parent) : QValidator(parent), PictureText(std::move(picture)) {}

QValidator::State EntryValidator::validate(QString& input, int&) const {
  return runtime::text::Picture::Accepts(PictureText, QtConversions::FromQt(input)) ? Acceptable : Invalid;
}

}  // namespace runtime::ui::qt
