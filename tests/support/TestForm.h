#pragma once
// A form window procedure over the test form's file, built the way the program's own
// forms are: entries bound to the record, OK, Cancel (a button that ends the form
// cancelled) and a save-without-closing button, a toolbar, Ctrl+H recalling the
// values of the last completed form, and the record protocol of WindowController.
// Tests set the action fields in Settings, run it with a request and drive it through
// the headless front end.
//
//   window "Test Form"
//     1 ?Code entry @s15     4 ?OK "&OK" (default)
//     2 ?Name entry @s20     5 ?Cancel "&Cancel"
//     3 ?Count entry @n9     6 ?Save "&Save"
//
// Thread safety: runs on the thread that owns the TestFormFile.

#include <cstdint>

#include "framework/error/ErrorManager.h"
#include "framework/window/FormNavigator.h"
#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowController.h"
#include "runtime/ui/WindowDefinition.h"
#include "tests/support/TestFormFile.h"
#include "tests/support/TestFormRecord.h"

namespace testsupport {

class TestForm : public framework::window::WindowController {
 public:
  static constexpr const char* Title = "Test Form";
  static constexpr int32_t CodeEntry = 1;
  static constexpr int32_t NameEntry = 2;
  static constexpr int32_t CountEntry = 3;
  static constexpr int32_t OkButton = 4;
  static constexpr int32_t CancelButton = 5;
  static constexpr int32_t SaveButton = 6;

  struct Settings {
    uint8_t InsertAction = InsertCloses;
    uint8_t ChangeAction = ChangeCloses;
    uint8_t DeleteAction = 1;  // shown, deleted on OK
    uint8_t CancelAction = CancelAsks;
    bool WithSaveButton = true;
    // Batch processing: the form moves through the file by code, and its toolbar
    // takes navigation requests.
    bool Batch = false;
  };

  // `history` is the save area Ctrl+H recalls from; it outlives one form, as the
  // program keeps one per thread.
  TestForm(TestFormFile& file, framework::error::ErrorManager& errors, TestFormRecord& history);

  static runtime::ui::WindowDefinition Definition();
  // Builds a form with `settings` and runs it with `request`; the response.
  static uint8_t RunWith(TestFormFile& file, framework::error::ErrorManager& errors, TestFormRecord& history,
                         uint8_t request, const Settings& settings);

  int32_t Init() override;
  int32_t Teardown() override;

  Settings Use;
  // What PrepareRequest answered (0 when the window ran).
  int32_t Prepared = 0;

 private:
  TestFormFile& FileSet;
  framework::error::ErrorManager& Errs;
  TestFormRecord& HistorySave;
  framework::window::ToolbarManager Tools;
  framework::window::FormNavigator Navigator;
  int32_t Navigation = 0;  // the form's navigation request variable
};

}  // namespace testsupport
