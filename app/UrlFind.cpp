#include "app/UrlFind.h"

#include "runtime/files/SqliteFind.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"

namespace app {

UrlFind::UrlFind(runtime::files::KeyedFile& file, std::string_view text) : File(file), Text(text) {
  if (Text.empty()) return;
  const runtime::core::RuntimeErrorState before = runtime::core::RuntimeError::Snapshot();
  Previous = File.Send(FindOption);
  DriverNarrows = runtime::core::RuntimeError::Code() == runtime::core::RuntimeErrorCode::NoError;
  if (DriverNarrows) {
    File.Send(std::string(FindOption) + "=" + Text);
    DriverNarrows = runtime::core::RuntimeError::Code() == runtime::core::RuntimeErrorCode::NoError;
  }
  runtime::core::RuntimeError::Restore(before);
  Active = DriverNarrows;
}

UrlFind::~UrlFind() { Stop(); }

void UrlFind::Stop() {
  if (!Active) return;
  Active = false;
  const runtime::core::RuntimeErrorState before = runtime::core::RuntimeError::Snapshot();
  File.Send(std::string(FindOption) + "=" + Previous);
  runtime::core::RuntimeError::Restore(before);
}

bool UrlFind::Matches(std::string_view url) const { return DriverNarrows || Contains(url, Text); }

bool UrlFind::ServedByIndex(std::string_view text) {
  size_t characters = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
  }
  return characters >= IndexedCharacters;
}

// One rule for every find: the index's, the reading of every record, and this one.
bool UrlFind::Contains(std::string_view url, std::string_view text) {
  return runtime::files::SqliteFind::Contains(url, text);
}

}  // namespace app
