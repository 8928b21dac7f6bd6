#pragma once
// The error catalogue every program starts with, as a catalogue block: a 16-bit count,
// then per entry a 16-bit id, an 8-bit severity, an 8-bit title length, the title bytes,
// an 8-bit text length and the text bytes (little-endian, no padding, nothing
// terminates a text). ErrorManager::LoadCatalogueBlock reads this format.
// The block is built once on first use and never changes; any thread may read it.

#include <cstdint>
#include <span>

namespace framework::error {

class BuiltInCatalogue {
 public:
  static std::span<const uint8_t> Block();
};

}  // namespace framework::error
