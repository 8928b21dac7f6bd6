// Display pictures: any picture formats any value and reads any typed text back
// without a crash, and a refused text leaves the variable as it was.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/FuzzInput.h"
#include "runtime/data/FieldRef.h"
#include "runtime/text/Picture.h"

using runtime::text::Picture;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::Parts(data, size, 2);
  const std::string& picture = parts[0];
  const std::string& text = parts[1];
  (void)Picture::Classify(picture);
  (void)Picture::Width(picture);
  (void)Picture::Accepts(picture, text);
  (void)Picture::Format(text, picture);
  int64_t wide = 0;
  std::memcpy(&wide, text.data(), std::min(sizeof wide, text.size()));
  (void)Picture::Format(wide, picture);
  (void)Picture::Format(static_cast<double>(wide) / 1000.0, picture);

  int32_t number = 42;
  if (!Picture::Deformat(text, picture, runtime::data::FieldRef::Of(number)) && number != 42) std::abort();
  (void)Picture::Format(runtime::data::FieldRef::Of(number), picture);
  char fixed[12] = "unchanged";
  if (!Picture::Deformat(text, picture, runtime::data::FieldRef::Of(fixed)) && std::strcmp(fixed, "unchanged") != 0) {
    std::abort();
  }
  if (fixed[sizeof fixed - 1] != '\0') std::abort();
  std::string any = "x";
  (void)Picture::Deformat(text, picture, runtime::data::FieldRef::Of(any));
  return 0;
}
