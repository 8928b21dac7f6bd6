#pragma once
// A list of pairs of typed variable references (left, right) that are copied, cleared
// and compared together. The browse copies record fields into its display-queue
// fields with it; BufferedPairs adds a saved value per pair for the relation manager.
// Copies convert between the two variables' kinds (FieldRef rules: a value that does
// not fit its target is refused and the target keeps its value); comparisons compare
// values, not bytes.
//
// Not thread-safe: a list belongs to the object that owns it and is used on that
// object's thread, like the variables it refers to.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "runtime/data/FieldRef.h"

namespace framework::window {

class FieldPairs {
 public:
  // A value owned by a list entry, of the kind of the variable it shadows.
  class Storage {
   public:
    explicit Storage(const runtime::data::FieldRef& like);
    runtime::data::FieldRef Ref() { return Value; }

   private:
    std::vector<unsigned char> Bytes;
    std::string Text;
    runtime::data::FieldRef Value;
  };

  struct Entry {
    runtime::data::FieldRef Left;
    runtime::data::FieldRef Right;
    // Only BufferedPairs fills it; a stable address, since the entry may move.
    std::unique_ptr<Storage> Buffer;
  };

  FieldPairs() = default;
  virtual ~FieldPairs() = default;
  FieldPairs(const FieldPairs&) = delete;
  FieldPairs& operator=(const FieldPairs&) = delete;

  // Slot 1. Appends a pair referring to the two variables. Creates the list when Init
  // has not run.
  virtual void LinkFields(const runtime::data::FieldRef& left, const runtime::data::FieldRef& right);

  // Teardown, then a new empty list.
  virtual void Init();
  // Drops the list (the variables themselves are untouched). Safe twice, and on a
  // list that was never created.
  virtual void Teardown();

  // For every pair in order: right := left (converted to the right variable's kind).
  void LeftIntoRight();
  // For every pair: left := right.
  void RightIntoLeft();
  // Clears the left (right) variables to their kind's empty value (empty text, 0).
  void BlankLeft();
  void BlankRight();
  // True when every pair's two values are equal; an empty list is equal. Stops at the
  // first difference.
  bool SidesEqual() const;

  size_t Count() const { return List ? List->size() : 0; }
  bool HasList() const { return List != nullptr; }

 protected:
  // Null until Init (or the first LinkFields).
  std::unique_ptr<std::vector<Entry>> List;
};

}  // namespace framework::window
