#include "tests/support/QueryBrowseTestWindow.h"

#include <utility>

#include "framework/data/FileUsageRegistry.h"
#include "runtime/ui/ControlType.h"
#include "runtime/ui/WindowModel.h"

namespace testsupport {

int32_t QueryBrowseTestWindow::Init() {
  // Set before the base registers the alert keys, which is when the menu is filled.
  Browse.SetUsePopup(true);
  Browse.QueryControl = QueryNo;
  Browse.QueryResult = QueryResultNo;
  Query.Init(&Errs, &Ini, Family);
  Query.AddField("NAM:NAME", "Name", "@s39");
  Query.AddField("NAM:COUNT", "Count", "@n9");
  Query.Form = &Form;
  Browse.Query = &Query;
  const int32_t result = BrowseTestWindow::Init();
  if (result != EventGoOn) return result;
  Form.Owner = MyWindow;
  runtime::ui::ControlDefinition query;
  query.Number = QueryNo;
  query.Type = runtime::ui::ControlType::Button;
  query.Name = "?Query";
  query.Text = "&Query";
  runtime::ui::WindowModel::CreateControl(MyWindow, query);
  runtime::ui::ControlDefinition shown;
  shown.Number = QueryResultNo;
  shown.Type = runtime::ui::ControlType::String;
  shown.Name = "?QueryResult";
  runtime::ui::WindowModel::CreateControl(MyWindow, shown);
  return EventGoOn;
}

int32_t QueryBrowseTestWindow::Teardown() {
  const int32_t result = BrowseTestWindow::Teardown();
  Browse.Query = nullptr;
  Query.Teardown();
  return result;
}

QueryBrowseTestThread::QueryBrowseTestThread(BrowseTestWindow::Options options, framework::error::ErrorManager& errors,
                                             framework::window::IniManager& ini)
    : Thread([options = std::move(options), &errors, &ini]() mutable {
        framework::data::FileUsageRegistry::Current().Init();
        {
          QueryBrowseTestWindow window(std::move(options), errors, ini);
          window.Run();
        }
        framework::data::FileUsageRegistry::Current().Teardown();
      }) {}

QueryBrowseTestThread::~QueryBrowseTestThread() { Join(); }

void QueryBrowseTestThread::Join() {
  if (Thread.joinable()) Thread.join();
}

}  // namespace testsupport
