#pragma once
// Keeps an entry's text to what its picture can hold while the user types: "@n9" takes
// only a number of at most nine positions, "@s199" at most 199 bytes. Whole values are
// checked by the program when the entry is accepted; this only stops impossible
// typing early. GUI thread only, like every validator.

#include <QValidator>

#include <string>

namespace runtime::ui::qt {

class EntryValidator : public QValidator {
  Q_OBJECT

 public:
  EntryValidator(std::string picture, QObject* parent);
  State validate(QString& input, int& position) const override;
  const std::string& Picture() const { return PictureText; }

 private:
  std::string PictureText;
};

}  // namespace runtime::ui::qt
