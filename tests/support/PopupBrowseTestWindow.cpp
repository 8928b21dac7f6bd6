#include "tests/support/PopupBrowseTestWindow.h"

#include <utility>

#include "framework/data/FileUsageRegistry.h"
#include "runtime/ui/ControlType.h"
#include "runtime/ui/WindowModel.h"

namespace testsupport {

int32_t PopupBrowseTestWindow::Init() {
  // Set before the base registers the alert keys, which is when the menu is filled.
  Browse.SetUsePopup(true);
  Browse.ToolControl = ToolboxNo;
  const int32_t result = BrowseTestWindow::Init();
  if (result != EventGoOn) return result;
  runtime::ui::ControlDefinition toolbox;
  toolbox.Number = ToolboxNo;
  toolbox.Type = runtime::ui::ControlType::Button;
  toolbox.Name = "?Toolbox";
  toolbox.Text = "&Toolbox";
  runtime::ui::WindowModel::CreateControl(MyWindow, toolbox);
  return EventGoOn;
}

PopupBrowseTestThread::PopupBrowseTestThread(BrowseTestWindow::Options options, framework::error::ErrorManager& errors)
    : Thread([options = std::move(options), &errors]() mutable {
        framework::data::FileUsageRegistry::Current().Init();
        {
          PopupBrowseTestWindow window(std::move(options), errors);
          window.Run();
        }
        framework::data::FileUsageRegistry::Current().Teardown();
      }) {}

PopupBrowseTestThread::~PopupBrowseTestThread() { Join(); }

void PopupBrowseTestThread::Join() {
  if (Thread.joinable()) Thread.join();
}

}  // namespace testsupport
