#pragma once
// Translates a window's texts when it first opens (captions, prompts, messages). A
// window controller calls it through its Translator field; nothing in this program
// sets one. Belongs to the window's thread.

#include <cstdint>

namespace framework::window {

class WindowTranslator {
 public:
  virtual ~WindowTranslator() = default;
  virtual void TranslateWindow(int32_t window) = 0;
};

}  // namespace framework::window
