#pragma once
// The severity and result scale of the framework: nearly every framework operation
// returns an ErrorLevel, and every catalogue entry carries one as its severity.
// A plain integer, because a catalogue entry may carry a value outside the named ones
// (the error manager takes the unknown-level path for it). Constants only; no state.

#include <cstdint>

namespace framework::error {

using ErrorLevel = int32_t;

// Success, go on; as an answer, Yes. As a severity: nothing is shown.
inline constexpr ErrorLevel LevelQuiet = 0;
// As a severity: a Yes/No question.
inline constexpr ErrorLevel LevelAsk = 1;
// As a severity: an internal fault, which ends the program unless overridden.
inline constexpr ErrorLevel LevelInternal = 2;
// As a severity: the message is shown, then the program ends.
inline constexpr ErrorLevel LevelHalt = 3;
// The user said No; the caller abandons the operation. As a severity: like LevelAsk.
inline constexpr ErrorLevel LevelDeclined = 4;
// A failure was reported to the user; the caller treats the operation as failed.
inline constexpr ErrorLevel LevelNotice = 5;

}  // namespace framework::error
