#include "framework/window/BufferedPairs.h"
#include "runtime/text/AsciiCase.h"

#include <string>

namespace framework::window {
namespace {

using runtime::data::FieldRef;

std::string LooseText(const FieldRef& ref) {
  std::string text = ref.GetText();
  // Trailing blanks never make two values differ, as in every text comparison.
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return runtime::text::AsciiCase::ToUpper(std::move(text));
}

bool Matches(const FieldRef& value, FieldRef buffer, MatchMode mode) {
  if (mode == MatchMode::Exact) return value.IsText() == buffer.IsText() && value.Compare(buffer) == 0;
  return LooseText(value) == LooseText(buffer);
}

}  // namespace

void BufferedPairs::Init() {
  FieldPairs::Init();
  RealList = List.get();
}

void BufferedPairs::Teardown() {
  FieldPairs::Teardown();
  RealList = nullptr;
}

void BufferedPairs::LinkFields(const FieldRef& left, const FieldRef& right) {
  if (!RealList) Init();
  RealList->push_back(Entry{left, right, std::make_unique<Storage>(right)});
}

void BufferedPairs::LeftIntoBuffer() {
  if (!RealList) return;
  for (Entry& e : *RealList) e.Buffer->Ref().Assign(e.Left);
}

void BufferedPairs::RightIntoBuffer() {
  if (!RealList) return;
  for (Entry& e : *RealList) e.Buffer->Ref().Assign(e.Right);
}

void BufferedPairs::BufferIntoLeft() {
  if (!RealList) return;
  for (Entry& e : *RealList) e.Left.Assign(e.Buffer->Ref());
}

void BufferedPairs::BufferIntoRight() {
  if (!RealList) return;
  for (Entry& e : *RealList) e.Right.Assign(e.Buffer->Ref());
}

bool BufferedPairs::LeftMatchesBuffer(MatchMode mode) const {
  if (!RealList) return true;
  for (const Entry& e : *RealList) {
    if (!Matches(e.Left, e.Buffer->Ref(), mode)) return false;
  }
  return true;
}

bool BufferedPairs::RightMatchesBuffer(MatchMode mode) const {
  if (!RealList) return true;
  for (const Entry& e : *RealList) {
    if (!Matches(e.Right, e.Buffer->Ref(), mode)) return false;
  }
  return true;
}

}  // namespace framework::window
