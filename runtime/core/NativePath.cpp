#include "runtime/core/NativePath.h"

#include <algorithm>

namespace runtime::core {

std::string NativePath::Map(std::string_view programPath) {
  std::string path(programPath);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string NativePath::Folder(std::string_view nativePath) {
  const size_t slash = nativePath.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(nativePath.substr(0, slash));
}

std::string NativePath::Leaf(std::string_view nativePath) {
  const size_t slash = nativePath.rfind('/');
  return std::string(slash == std::string_view::npos ? nativePath : nativePath.substr(slash + 1));
}

}  // namespace runtime::core
