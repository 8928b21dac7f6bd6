#pragma once
// The one place where a path as the program writes it (".\Vorkan42.INI",
// "Data\URLLIST") becomes a path the operating system opens ("./Vorkan42.INI").
// Every runtime class that opens a file by a program-given name goes through it.
// Pure functions of their argument: safe from any thread.

#include <string>
#include <string_view>

namespace runtime::core {

class NativePath {
 public:
  // Every "\" becomes "/"; nothing else changes (no case folding, no resolving of
  // "." or ".."), so a name the program built reaches the file system as written.
  static std::string Map(std::string_view programPath);

  // The folder part of a mapped path ("." when it has none), and the name part.
  static std::string Folder(std::string_view nativePath);
  static std::string Leaf(std::string_view nativePath);
};

}  // namespace runtime::core
