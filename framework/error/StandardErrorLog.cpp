#include "framework/error/StandardErrorLog.h"

#include "framework/error/TextLimit.h"
#include "runtime/data/DateTime.h"
#include "runtime/files/FileMode.h"
#include "runtime/text/Picture.h"

namespace framework::error {
namespace {

// Other processes may append to the same log at the same time.
constexpr uint8_t LogOpenMode = runtime::files::FileMode::ReadWrite | runtime::files::FileMode::DenyNone;

constexpr const char* DatePicture = "@D17";
constexpr const char* TimePicture = "@T8";
constexpr const char* DateTimeSeparator = "@";
constexpr const char* TextSeparator = " --> ";

}  // namespace

StandardErrorLog::StandardErrorLog() : File(FileName) {}

StandardErrorLog::~StandardErrorLog() { Teardown(); }

void StandardErrorLog::Init() { Usage = 0; }

void StandardErrorLog::Teardown() {
  if (File.IsOpen() || Usage != 0) CloseLog(true);
}

ErrorLevel StandardErrorLog::OpenLog(bool force) {
  if (Usage == 0 || force) {
    if (!File.Exists() && !File.Create()) return LevelNotice;
    if (!File.Open(LogOpenMode)) return LevelNotice;
  }
  ++Usage;
  return LevelQuiet;
}

ErrorLevel StandardErrorLog::CloseLog(bool force) {
  if (Usage == 1 || force) {
    // A forced close of a log that is not open has nothing to close and succeeds.
    if (File.IsOpen() && !File.Close()) return LevelNotice;
    Usage = 0;
    return LevelQuiet;
  }
  if (Usage > 1) --Usage;
  return LevelQuiet;
}

ErrorLevel StandardErrorLog::WriteLine(const std::string& text) {
  if (Usage == 0) return LevelNotice;
  return File.Append(TextLimit::Cut(text, LineLength)) ? LevelQuiet : LevelNotice;
}

std::string StandardErrorLog::DatedLine(std::string_view text) {
  using runtime::data::DateTime;
  using runtime::text::Picture;
  std::string line = Picture::Format(int64_t{DateTime::Today()}, DatePicture);
  line += DateTimeSeparator;
  line += Picture::Format(int64_t{DateTime::Clock()}, TimePicture);
  line += TextSeparator;
  line += text;
  return line;
}

}  // namespace framework::error
