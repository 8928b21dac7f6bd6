#include "runtime/text/ExpressionScope.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/core/PerThread.h"
#include "runtime/text/AsciiCase.h"

namespace runtime::text {
namespace {

using Names = std::unordered_map<std::string, runtime::data::FieldRef>;

struct Scopes {
  std::vector<Names> Stack = std::vector<Names>(1);  // [0] is the base scope
};

runtime::core::PerThread<Scopes> ThreadScopes;

std::string Upper(std::string_view name) {
  return AsciiCase::ToUpper(std::string(name));
}

}  // namespace

void ExpressionScope::Push() { ThreadScopes->Stack.emplace_back(); }

bool ExpressionScope::Pop() {
  auto& stack = ThreadScopes->Stack;
  if (stack.size() <= 1) return false;
  stack.pop_back();
  return true;
}

size_t ExpressionScope::Depth() { return ThreadScopes->Stack.size() - 1; }

void ExpressionScope::Bind(std::string_view name, const runtime::data::FieldRef& variable) {
  ThreadScopes->Stack.back()[Upper(name)] = variable;
}

void ExpressionScope::BindRecord(const runtime::data::RecordType& type, void* record) {
  for (size_t i = 0; i < type.FieldCount(); ++i) Bind(type.Field(i).Name, type.Ref(record, i));
}

bool ExpressionScope::Unbind(std::string_view name) {
  const std::string key = Upper(name);
  auto& stack = ThreadScopes->Stack;
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    if (it->erase(key) > 0) return true;
  }
  return false;
}

std::optional<runtime::data::FieldRef> ExpressionScope::Find(std::string_view name) {
  const std::string key = Upper(name);
  const auto& stack = ThreadScopes->Stack;
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    if (auto found = it->find(key); found != it->end()) return found->second;
  }
  return std::nullopt;
}

}  // namespace runtime::text
