#pragma once
// The runtime's file chooser service: program code asks for a file to read or a name
// to write, and the installed front end (FrontEnd::Install) lets the person
// choose; the calling thread waits, other threads go on. Nothing is chosen when the
// chooser was dismissed or no front end is installed.
//
// Thread safety: may be called from any thread.

#include <optional>

#include "runtime/ui/FileChooserRequest.h"

namespace runtime::ui {

class FileChooserService {
 public:
  static std::optional<FileChooserRequest::Choice> Choose(const FileChooserRequest& request);
};

}  // namespace runtime::ui
