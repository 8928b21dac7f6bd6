#pragma once
// What a query needs of the form that edits its example values: the form's mode (one
// value per field, or ranges) and asking the user. QueryForm is the program's window;
// tests may give a query a form of their own.
//
// Thread safety: Ask runs on the thread whose window asks (it opens a window there).

#include <cstdint>

namespace framework::query {

class QbeQuery;

class QbeForm {
 public:
  // One value per field: a range typed into Low/High is folded into Middle.
  static constexpr int32_t ModeSingle = 1;
  // Low, Middle and High each count: ranges allowed.
  static constexpr int32_t ModeRanges = 2;

  virtual ~QbeForm() = default;
  virtual int32_t Mode() const = 0;
  // Lets the user edit the query's values; true when the user accepted them.
  virtual bool Ask(QbeQuery& query) = 0;
};

}  // namespace framework::query
