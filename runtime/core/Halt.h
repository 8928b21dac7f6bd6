#pragma once
// Ending the program at once: Halt(code, text) runs the registered halt hooks (the
// front end stops showing anything, files are closed), newest first, and exits the
// process with `code` without returning. Hooks must not halt again; a second Halt
// from a hook exits immediately.

#include <functional>
#include <string>

namespace runtime::core {

using HaltHook = std::function<void(int code, const std::string& text)>;

// Returns an id for RemoveHaltHook.
int AddHaltHook(HaltHook hook);
void RemoveHaltHook(int id);

[[noreturn]] void Halt(int code, const std::string& text);

}  // namespace runtime::core
