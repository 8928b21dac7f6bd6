#include "runtime/ui/FileChooserService.h"

#include "runtime/ui/EventQueues.h"
#include "runtime/ui/FrontEnd.h"

namespace runtime::ui {

std::optional<FileChooserRequest::Choice> FileChooserService::Choose(const FileChooserRequest& request) {
  auto frontEnd = FrontEnd::Installed();
  if (!frontEnd) return std::nullopt;
  EventQueues::Blocked waiting;
  auto choice = frontEnd->ChooseFile(request);
  // An empty name is no choice, and a kind of file that was not offered is the first.
  if (choice && choice->Path.empty()) return std::nullopt;
  if (choice && choice->FilterIndex >= request.Filters.size()) choice->FilterIndex = 0;
  return choice;
}

}  // namespace runtime::ui
