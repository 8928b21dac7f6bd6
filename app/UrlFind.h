#pragma once
// Narrows the calling thread's UrlList file to the records whose address contains a
// text, ignoring letter case, for as long as the object lives (or until Stop). The
// file's driver serves it from its index when it can ("FIND=" option); with a driver
// that cannot, every record is read and Matches decides. The narrowing the file had
// before is put back by Stop.
//
// Thread safety: the file is the calling thread's; use the object on that thread.

#include <string>
#include <string_view>

#include "runtime/files/KeyedFile.h"

namespace app {

class UrlFind {
 public:
  // The driver option that narrows a file's reads to the records containing a text.
  static constexpr const char* FindOption = "FIND";
  // The shortest text the index serves; a shorter one is found by reading every record.
  static constexpr size_t IndexedCharacters = 3;

  UrlFind(runtime::files::KeyedFile& file, std::string_view text);
  ~UrlFind();
  UrlFind(const UrlFind&) = delete;
  UrlFind& operator=(const UrlFind&) = delete;

  // True when `url` belongs to the narrowed list (always, when the driver narrows).
  bool Matches(std::string_view url) const;
  // Puts the file's previous narrowing back. Safe twice.
  void Stop();

  // Whether `text` is long enough for the index (counted in characters, not bytes).
  static bool ServedByIndex(std::string_view text);
  // Whether `url` contains `text`, ASCII letters compared without regard to case.
  static bool Contains(std::string_view url, std::string_view text);

 private:
  runtime::files::KeyedFile& File;
  std::string Text;
  std::string Previous;
  bool DriverNarrows = false;
  bool Active = false;
};

}  // namespace app
