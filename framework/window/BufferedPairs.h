#pragma once
// Field pairs with a saved value per pair: the relation manager remembers a parent
// record's linking values in the buffers (LeftIntoBuffer) and later sees whether they
// changed (LeftMatchesBuffer) and puts them back (BufferIntoLeft). Every FieldPairs
// operation works on a BufferedPairs list unchanged: RealList is the same list.
//
// Not thread-safe, like FieldPairs.

#include <vector>

#include "framework/window/FieldPairs.h"

namespace framework::window {

// Whether buffer comparisons look at kind and exact value, or at upper-cased text.
enum class MatchMode : uint8_t { Loose, Exact };

class BufferedPairs : public FieldPairs {
 public:
  // Appends a pair whose buffer is a new cleared value of the right variable's kind.
  void LinkFields(const runtime::data::FieldRef& left, const runtime::data::FieldRef& right) override;
  void Init() override;
  void Teardown() override;

  void LeftIntoBuffer();
  void RightIntoBuffer();
  void BufferIntoLeft();
  void BufferIntoRight();

  // True when every pair's left (right) value equals its buffer. Exact: same kind of
  // value (text or number) and equal value; Loose: both as text, upper-cased, equal.
  bool LeftMatchesBuffer(MatchMode mode = MatchMode::Loose) const;
  bool RightMatchesBuffer(MatchMode mode = MatchMode::Loose) const;

 private:
  // The list shared with FieldPairs::List; null when there is none.
  std::vector<Entry>* RealList = nullptr;
};

}  // namespace framework::window
