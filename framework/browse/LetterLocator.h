#pragma once
// Moves through a browse by typing: typing the initial of the next row steps one row
// down; typing another character writes it (upper-cased with NoCase; followed by the
// byte 0xFE when the field sorts descending, so the search lands on the last record
// with that initial) into the sort order's free key field, and the browse locates the
// first record at or after it.
//
// The list hears typed characters as alert keys, so RegisterAlertKeys registers the
// letter keys (with and without Shift) and the digit keys on the list.
//
// Thread safety: the browse's thread only.
//
// Virtual operations are declared in their fixed slot order.

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/data/FieldRef.h"

namespace framework::data {
class ViewManager;
}

namespace framework::browse {

class BrowseManager;

class LetterLocator {
 public:
  // Appended to the search value on a descending field.
  static constexpr char DescendingMark = '\xFE';
  // The alert slots the typed keys take on the list, from the first up.
  static constexpr int32_t FirstAlertSlot = 1;

  LetterLocator() = default;
  virtual ~LetterLocator() = default;
  LetterLocator(const LetterLocator&) = delete;
  LetterLocator& operator=(const LetterLocator&) = delete;

  // ---- Virtual operations, in slot order ----
  virtual void Teardown();
  virtual std::string GetShadow();
  virtual void Init(int32_t control, const runtime::data::FieldRef& field, bool noCase);
  virtual void OnLocated();
  virtual void Reset();
  virtual void SetField(const runtime::data::FieldRef& field);
  virtual void RegisterAlertKeys(int32_t listControl);
  virtual void SetEnabled(bool hasRows);
  virtual void SetShadow(std::string_view text);
  virtual bool OnAccepted();
  // Takes the key just pressed (the thread's key code); true when it was taken.
  virtual bool OnKeyChar();
  virtual void RefreshControls();

  // ---- Non-virtual ----
  void Init(int32_t control, const runtime::data::FieldRef& field, bool noCase, BrowseManager& browse);

  // ---- Fields, in the fixed order ----
  framework::data::ViewManager* ViewManager = nullptr;
  framework::browse::BrowseManager* BrowseManager = nullptr;
  int32_t Control = 0;
  runtime::data::FieldRef FreeElement;
  uint8_t NoCase = 0;
};

}  // namespace framework::browse
