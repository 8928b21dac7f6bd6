#pragma once
// One sort order of a browse: the view's sort order (key, order text, range, filters)
// with the browse's own objects, its locator, its reset fields and its thumb step. The
// locator and the step belong to the window procedure; the browse only refers to them.
//
// Thread safety: the browse's thread only.

#include <memory>

#include "framework/data/ViewManager.h"
#include "framework/window/BufferedPairs.h"

namespace framework::browse {

class LetterLocator;
class StringStep;

struct BrowseSortOrder : framework::data::ViewManager::SortOrderEntry {
  LetterLocator* Locator = nullptr;
  // Watched fields (Left) with their saved copies (the buffers): a change reloads.
  std::unique_ptr<framework::window::BufferedPairs> Resets;
  StringStep* Thumb = nullptr;
};

}  // namespace framework::browse
