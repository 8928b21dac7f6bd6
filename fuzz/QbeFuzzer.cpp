// Query by example: any example values in any mode build a filter that the filter
// language accepts, or no filter; never a crash.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "framework/query/QbeForm.h"
#include "framework/query/QbeQuery.h"
#include "fuzz/FuzzInput.h"
#include "runtime/data/FieldRef.h"
#include "runtime/text/Expression.h"

namespace {

class FixedModeForm : public framework::query::QbeForm {
 public:
  explicit FixedModeForm(int32_t mode) : TheMode(mode) {}
  int32_t Mode() const override { return TheMode; }
  bool Ask(framework::query::QbeQuery&) override { return false; }
  int32_t TheMode;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int32_t mode = (data[0] & 1) + 1;
  const auto parts = fuzz::Parts(data + 1, size - 1, 6);
  framework::query::QbeQuery query;
  FixedModeForm form(mode);
  query.Init(nullptr, nullptr, "Fuzz");
  query.Form = &form;
  query.AddField("Url", "Address", "@s200");
  query.AddField("Count", "Count", "@n9");
  query.AddField("Added", "Added", "@d6");
  query.AddField("UPPER(Name)", "Name", "@s20");
  for (size_t f = 1; f <= query.Fields->Records(); ++f) {
    auto& field = query.Fields->At(f);
    field.Middle = parts[(f - 1) % parts.size()];
    if (f == 1) {
      field.Low = parts[4];
      field.High = parts[5];
    }
  }
  const std::string filter = query.BuildFilter();
  std::string url, name;
  int32_t count = 0, added = 0;
  auto resolver = [&](std::string_view n) -> std::optional<runtime::data::FieldRef> {
    if (n == "Url") return runtime::data::FieldRef::Of(url);
    if (n == "Count") return runtime::data::FieldRef::Of(count);
    if (n == "Added") return runtime::data::FieldRef::Of(added);
    if (n == "Name") return runtime::data::FieldRef::Of(name);
    return std::nullopt;
  };
  runtime::text::Expression e;
  // A filter the query built must be one the filter language takes, except a bare
  // comparison on a number ("(Count >= )"), which is kept for the view to refuse.
  bool bare = false;
  for (const char* end : {"= )", "> )", "< )", "~ )"}) bare = bare || filter.find(end) != std::string::npos;
  if (!filter.empty() && !bare && e.Parse(filter, resolver).IsError()) std::abort();
  query.Teardown();
  return 0;
}
