#pragma once
// The running thread's names for the expression language: which variable a name such
// as "URL:URL" stands for when an expression text is parsed. Names ignore case.
//
// Each thread has a base scope, always there, and a stack of scopes on top of it. A
// window pushes a scope when it starts and pops it when it ends, so the names it binds
// (its files' fields, its own variables) disappear with it and the names of the window
// beneath come back. A name is looked up from the innermost scope out.
//
// A bound name refers to the variable, not to a copy: an expression parsed while the
// name was bound reads the variable's current value whenever it is evaluated, and
// must not be evaluated once the variable is gone.
//
// Thread safety: every operation works on the running thread's own scopes only.

#include <cstddef>
#include <optional>
#include <string_view>

#include "runtime/data/FieldRef.h"
#include "runtime/data/RecordType.h"

namespace runtime::text {

class ExpressionScope {
 public:
  static void Push();
  // Drops the innermost pushed scope with its names; false when only the base is left.
  static bool Pop();
  // Number of pushed scopes (0: only the base).
  static size_t Depth();

  // Binds a name in the innermost scope (replacing the same name there).
  static void Bind(std::string_view name, const runtime::data::FieldRef& variable);
  // Binds every field of a record by its name ("URL:URL").
  static void BindRecord(const runtime::data::RecordType& type, void* record);
  // Removes the name from the innermost scope that has it; false when none has.
  static bool Unbind(std::string_view name);

  static std::optional<runtime::data::FieldRef> Find(std::string_view name);
};

}  // namespace runtime::text
