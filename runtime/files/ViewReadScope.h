#pragma once
// Brackets one operation's reads through a view (View::BeginRead and EndRead): made
// on entry, ended on every way out, so the read transaction never outlives the
// operation. A null view is allowed and does nothing. Used on the view's thread.

#include "runtime/files/View.h"

namespace runtime::files {

class ViewReadScope {
 public:
  explicit ViewReadScope(View* view) : Bracketed(view) {
    if (Bracketed != nullptr) static_cast<void>(Bracketed->BeginRead());
  }
  ~ViewReadScope() {
    if (Bracketed != nullptr) static_cast<void>(Bracketed->EndRead());
  }
  ViewReadScope(const ViewReadScope&) = delete;
  ViewReadScope& operator=(const ViewReadScope&) = delete;

 private:
  View* Bracketed;
};

}  // namespace runtime::files
