#pragma once
// The UrlList file's manager on one thread. Built and set up with the thread's
// managers (UrlListManagers::Build) without touching the file; fully initialised on
// its first use (EnsureUsable), so a thread that never uses UrlList never initialises
// it. Also moves typed-in values into the record buffer without ever storing a value
// the record cannot hold.
//
// Thread safety: one instance per thread, used only by that thread.

#include <cstdint>
#include <string_view>

#include "framework/data/FileManager.h"
#include "framework/error/ErrorManager.h"

namespace app {

class UrlListFileManager : public framework::data::FileManager {
 public:
  static constexpr const char* FileLabel = "UrlList";
  // Field names and the range shown when a number does not fit.
  static constexpr const char* UrlFieldName = "Url";
  static constexpr const char* NumberFieldName = "NumberOfTimesToOpen";
  static constexpr const char* NumberRange = "-2147483648 to 2147483647";

  explicit UrlListFileManager(framework::error::ErrorManager& errors) : Errs(errors) {}
  ~UrlListFileManager() override;

  // This thread's buffer, "UrlList" for messages, the error manager and this thread's
  // file structure; then the base set-up; then publishes itself as the access object.
  void SetUp() override;
  // The base Teardown, then the access object is cleared.
  void Teardown() override;
  // The deferred initialisation on the first use (then the base operation).
  ErrorLevel EnsureUsable(uint8_t useType) override;

  // Stores an address, cut to 199 bytes without splitting a character.
  void AssignUrl(std::string_view text);
  // Stores a number typed as text. A text that is not a whole number, or one that does
  // not fit, is reported as a range error and not stored (the field keeps its value).
  ErrorLevel AssignNumberOfTimesToOpen(std::string_view text);

  // How many times the deferred initialisation ran on this manager.
  uint32_t FullInitialisations = 0;

 private:
  framework::error::ErrorManager& Errs;
};

}  // namespace app
