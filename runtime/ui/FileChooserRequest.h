#pragma once
// What a file chooser asks: to pick a file to read (Open) or a name to write (Save),
// its caption, the folder it starts in, the name it suggests and the kinds of file it
// offers. A plain value: copy it freely between threads.

#include <cstdint>
#include <string>
#include <vector>

namespace runtime::ui {

struct FileChooserRequest {
  enum class Purpose { Open, Save };

  // One kind of file: "Bookmark files" with extensions {"html", "htm"}; no extensions
  // means every file.
  struct Filter {
    std::string Label;
    std::vector<std::string> Extensions;
  };

  // The answer: the file as the person gave it (relative names are in the program's
  // current folder) and the kind of file chosen (an index into Filters).
  struct Choice {
    std::string Path;
    size_t FilterIndex = 0;
  };

  Purpose Mode = Purpose::Open;
  std::string Caption;
  std::string Folder;  // empty: the program's current folder
  std::string Name;    // suggested file name, for Save
  std::vector<Filter> Filters;
};

}  // namespace runtime::ui
