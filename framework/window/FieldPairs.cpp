#include "framework/window/FieldPairs.h"

namespace framework::window {

using runtime::data::FieldKind;
using runtime::data::FieldRef;

FieldPairs::Storage::Storage(const FieldRef& like) {
  if (like.Kind() == FieldKind::String) {
    Value = FieldRef::Of(Text);
    return;
  }
  Bytes.assign(like.Size() == 0 ? 1 : like.Size(), 0);
  Value = FieldRef(Bytes.data(), like.Kind(), Bytes.size(), like.Places());
}

void FieldPairs::Init() {
  Teardown();
  List = std::make_unique<std::vector<Entry>>();
}

void FieldPairs::Teardown() { List.reset(); }

void FieldPairs::LinkFields(const FieldRef& left, const FieldRef& right) {
  if (!List) List = std::make_unique<std::vector<Entry>>();
  List->push_back(Entry{left, right, nullptr});
}

void FieldPairs::LeftIntoRight() {
  if (!List) return;
  for (Entry& e : *List) e.Right.Assign(e.Left);
}

void FieldPairs::RightIntoLeft() {
  if (!List) return;
  for (Entry& e : *List) e.Left.Assign(e.Right);
}

void FieldPairs::BlankLeft() {
  if (!List) return;
  for (Entry& e : *List) e.Left.Clear();
}

void FieldPairs::BlankRight() {
  if (!List) return;
  for (Entry& e : *List) e.Right.Clear();
}

bool FieldPairs::SidesEqual() const {
  if (!List) return true;
  for (const Entry& e : *List) {
    if (e.Left.Compare(e.Right) != 0) return false;
  }
  return true;
}

}  // namespace framework::window
