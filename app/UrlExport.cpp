#include "app/UrlExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/UrlFind.h"
#include "app/UrlListFile.h"
#include "app/UrlListManagers.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/files/FileMode.h"
#include "runtime/files/View.h"

namespace app {
namespace {

using framework::data::Walk;
using framework::error::LevelQuiet;
using C = runtime::core::RuntimeErrorCode;

constexpr mode_t NewFileMode = 0644;
constexpr std::string_view AddressOrder = "+URL:URL";

std::string SystemText(int error) { return std::strerror(error); }

}  // namespace

bool UrlExport::Collect(std::string_view contains, std::vector<ExchangeEntry>& entries, std::string& failure) {
  return Collect(contains, {}, entries, failure);
}

bool UrlExport::Collect(std::string_view contains, std::string_view filter, std::vector<ExchangeEntry>& entries,
                        std::string& failure) {
  entries.clear();
  framework::data::RelationManager* relate = UrlListManagers::Relate();
  if (relate == nullptr) {
    failure = "the data file is not set up on this thread";
    return false;
  }
  if (relate->ForceOpen(Walk::Top) != LevelQuiet) {
    failure = "the data file could not be opened: " + runtime::core::RuntimeError::Text();
    relate->Close(Walk::Top);
    return false;
  }
  runtime::files::KeyedFile& file = UrlListFile::Instance();
  UrlFind find(file, contains);
  // A filter is read through a view, which evaluates it on each record in key order.
  runtime::files::View view;
  int32_t code = C::NoError;
  if (!filter.empty()) {
    view.Init(file);
    code = view.SetOrder(AddressOrder);
    if (code == C::NoError) code = view.SetFilter(filter);
    if (code == C::NoError) code = view.Open(runtime::files::FileMode::ReadOnly);
  } else {
    code = file.SetKeyPosition(UrlListFile::KeyUrl);
  }
  while (code == C::NoError) {
    code = filter.empty() ? file.Next() : view.Next();
    if (code != C::NoError) break;
    const UrlListRecord& r = UrlListFile::Record();
    if (!find.Matches(r.Url)) continue;
    entries.push_back({r.Url, r.NumberOfTimesToOpen, 0});
  }
  view.Teardown();
  find.Stop();
  relate->Close(Walk::Top);
  if (code != C::RecordNotAvailable) {
    failure = "the data file could not be read: " + runtime::core::RuntimeError::Text();
    return false;
  }
  return true;
}

ExportResult UrlExport::Write(const std::string& path, ExchangeFormat format,
                              const std::vector<ExchangeEntry>& entries) {
  ExportResult result;
  result.Failure = ReplaceFile(path, ExchangeFormats::Write(format, entries));
  result.Ok = result.Failure.empty();
  if (result.Ok) result.Written = entries.size();
  return result;
}

std::string UrlExport::ReplaceFile(const std::string& path, std::string_view content) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return path + ": " + SystemText(errno);
  std::string failure;
  for (size_t done = 0; done < content.size() && failure.empty();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) failure = path + ": " + SystemText(n < 0 ? errno : EIO);
    else done += static_cast<size_t>(n);
  }
  // mkstemp makes the file private; an exported list is an ordinary document.
  if (failure.empty() && fchmod(fd, NewFileMode) != 0) {
    failure = path + ": " + SystemText(errno);
  }
  if (failure.empty() && fsync(fd) != 0) failure = path + ": " + SystemText(errno);
  if (::close(fd) != 0 && failure.empty()) failure = path + ": " + SystemText(errno);
  if (failure.empty() && std::rename(temp.c_str(), path.c_str()) != 0) failure = path + ": " + SystemText(errno);
  if (!failure.empty()) std::remove(temp.c_str());
  return failure;
}

}  // namespace app
