#pragma once
// Builds a WindowDefinition in code, the way a window procedure describes its window:
//
//   WindowBuilder b("Error");
//   b.Caption("Error").Size(320, 96).Font("Microsoft Sans Serif", 8);
//   b.Image(300, "?IMAGE").At(2, 4, 26, 28);
//   b.Button(100, "?BUTTON8", "Button 8").At(284, 80, 36, 14).Hidden();
//   b.MenuBar("?MENUBAR");
//   b.Menu("&File", "?FILEMENU");
//   b.Item("E&xit", "?EXIT").Message("Exit this application").Action(FrameAction::Exit);
//   b.EndMenu();
//   WindowDefinition d = b.Build();
//
// Control modifiers (At, Text, Hidden ...) apply to the control added last. A control
// added with number 0 is numbered by Build: window controls from 1 upwards and menus
// and items from -1 downwards, in declaration order, skipping numbers given
// explicitly. A repeated number or name is a fault of the definition: Build keeps the
// control, and Problems() says what is wrong. Not thread-safe; one builder per caller.

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/ui/ControlDefinition.h"
#include "runtime/ui/FrameAction.h"
#include "runtime/ui/WindowDefinition.h"

namespace runtime::ui {

class WindowBuilder {
 public:
  explicit WindowBuilder(std::string name);

  // The window.
  WindowBuilder& Caption(std::string caption);
  WindowBuilder& Icon(std::string icon);
  WindowBuilder& Font(std::string font, int32_t size);
  WindowBuilder& Position(int32_t x, int32_t y);
  WindowBuilder& Size(int32_t width, int32_t height);
  WindowBuilder& SystemMenu();
  WindowBuilder& Resizable();
  WindowBuilder& MdiChild();
  WindowBuilder& Frame();
  WindowBuilder& Maximized();

  // Controls; number 0 asks Build to number it.
  WindowBuilder& Add(int32_t type, int32_t number, std::string name, std::string text = {});
  WindowBuilder& Button(int32_t number, std::string name, std::string text);
  WindowBuilder& Prompt(int32_t number, std::string name, std::string text);
  WindowBuilder& String(int32_t number, std::string name, std::string text);
  WindowBuilder& Entry(int32_t number, std::string name, std::string picture);
  WindowBuilder& Check(int32_t number, std::string name, std::string text);
  WindowBuilder& List(int32_t number, std::string name, std::string format);
  WindowBuilder& Image(int32_t number, std::string name);
  WindowBuilder& Region(int32_t number, std::string name);
  WindowBuilder& Sheet(int32_t number, std::string name);
  // A tab belongs to the last sheet added.
  WindowBuilder& Tab(int32_t number, std::string name, std::string text);

  // The menu bar, its menus (nested while not ended) and their items.
  WindowBuilder& MenuBar(std::string name);
  WindowBuilder& Menu(std::string text, std::string name);
  WindowBuilder& Item(std::string text, std::string name);
  WindowBuilder& Separator();
  WindowBuilder& EndMenu();

  // Modifiers of the control added last.
  WindowBuilder& Number(int32_t number);
  WindowBuilder& At(int32_t x, int32_t y, int32_t width, int32_t height);
  WindowBuilder& Text(std::string text);
  WindowBuilder& Message(std::string message);
  WindowBuilder& Tip(std::string tip);
  WindowBuilder& Format(std::string format);
  WindowBuilder& Picture(std::string picture);
  WindowBuilder& ControlIcon(std::string icon);
  WindowBuilder& Hidden();
  WindowBuilder& Disabled();
  WindowBuilder& Default();
  WindowBuilder& ReadOnly();
  WindowBuilder& Action(FrameAction action);

  // The definition with every control numbered.
  WindowDefinition Build();
  // What Build found wrong ("control number 5 is used twice"); empty when all is well.
  const std::vector<std::string>& Problems() const { return Found; }

 private:
  ControlDefinition* Last();

  WindowDefinition Definition;
  std::vector<int32_t> MenuStack;   // indexes of the open menu bar and menus
  int32_t LastSheet = -1;           // index of the last sheet added
  std::vector<std::string> Found;
};

}  // namespace runtime::ui
