#pragma once
// The record navigator of a batch-processing form (WindowController::FormVCR): it
// moves the form's primary record to the next, previous, first or last record in the
// order of one key, so that a form can work through a file without closing. The form
// saves its record first through its OK path; the controller then asks the navigator
// to move on (MoveOn) and shows the record it read.
//
// Navigation requests reach it as toolbar events (it is a ToolbarTarget): an accepted
// control numbered as a request (NavigateNext ...) sets the window's navigation
// request and presses the form's OK button, so the record is saved on the way. OK
// pressed without a request moves to the next record.
//
// When there is no record in the asked direction, the form stays on its record, read
// again as stored.
//
// Thread safety: the form's thread only.

#include <cstdint>
#include <string>

#include "framework/error/ErrorLevel.h"
#include "framework/window/ToolbarTarget.h"

namespace framework::data {
class FileManager;
}

namespace framework::window {

class WindowController;

class FormNavigator : public ToolbarTarget {
 public:
  // Navigation requests (the window's VCRRequest), as a browse knows them.
  static constexpr int32_t NavigateInsertAnother = 3001;
  static constexpr int32_t NavigateLast = 3005;
  static constexpr int32_t NavigateFirst = 3006;
  static constexpr int32_t NavigatePageDown = 3007;
  static constexpr int32_t NavigatePageUp = 3008;
  static constexpr int32_t NavigateNext = 3009;
  static constexpr int32_t NavigatePrevious = 3010;
  // Records a page request moves over.
  static constexpr int32_t PageRecords = 10;

  // The form, the primary file's manager and the key whose order the form follows.
  void Init(WindowController& form, framework::data::FileManager& file, int key);

  // Reads the record the window's navigation request asks for (the next one when
  // there is none) into the primary buffer, watched for the next save, and clears the
  // request. 0 when the record changed, 5 when the form stays where it was.
  [[nodiscard]] framework::error::ErrorLevel MoveOn();

  // ToolbarTarget.
  void Refresh() override {}
  void Activate() override {}
  bool WantsToolbar() override { return true; }
  void TakeEvent(int32_t* request, int32_t value) override;

 private:
  // One step forward or back from the buffer's key (the record at `here`); false at
  // the end.
  bool Step(bool forward, const std::string& here);
  bool ToEnd(bool last);

  WindowController* Form = nullptr;
  framework::data::FileManager* File = nullptr;
  int Key = 0;
};

}  // namespace framework::window
