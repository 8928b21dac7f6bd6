#include "runtime/ui/HelpPages.h"

#include <filesystem>
#include <system_error>

#ifndef VK_HELP_SOURCE_DIR
#error "the build defines VK_HELP_SOURCE_DIR, VK_HELP_BUILD_TREE and VK_HELP_INSTALLED_FROM_BIN"
#endif

namespace runtime::ui {
namespace {

namespace fs = std::filesystem;

bool Within(const fs::path& inner, const fs::path& outer) {
  auto o = outer.begin();
  for (auto i = inner.begin(); o != outer.end(); ++i, ++o)
    if (i == inner.end() || *i != *o) return false;
  return true;
}

std::string Find() {
  std::error_code code;
  const fs::path executable = fs::canonical("/proc/self/exe", code);
  const fs::path buildTree = fs::weakly_canonical(VK_HELP_BUILD_TREE, code);
  if (executable.empty() || Within(executable, buildTree)) return VK_HELP_SOURCE_DIR;
  return (executable.parent_path() / VK_HELP_INSTALLED_FROM_BIN).lexically_normal().string();
}

}  // namespace

std::string HelpPages::Folder() {
  static const std::string folder = Find();
  return folder;
}

std::string HelpPages::Page(FrameAction action) {
  switch (action) {
    case FrameAction::HelpContents: return "index.html";
    case FrameAction::HelpSearch: return "search.html";
    case FrameAction::HelpOnHelp: return "howto.html";
    default: return {};
  }
}

std::string HelpPages::PagePath(FrameAction action) {
  const std::string page = Page(action);
  return page.empty() ? page : Folder() + "/" + page;
}

}  // namespace runtime::ui
