#pragma once
// Translates one menu text before a PopupManager puts it into a menu. Nothing in this
// program sets one; a translated build would. Called on the thread that shows the menu
// or runs the toolbox, so an implementation must be safe from several threads.

#include <string>
#include <string_view>

namespace framework::popup {

class PopupTranslator {
 public:
  virtual ~PopupTranslator() = default;
  virtual std::string Translate(std::string_view text) = 0;
};

}  // namespace framework::popup
