#pragma once
// Hands an address (a web address, a file path) to the desktop's opener, xdg-open,
// which starts whatever the user chose for it. The opener is started directly with an
// argument vector, never through a shell, so no character of the address has a meaning
// of its own. A text that starts with "-" is never taken as an option: the opener has no
// "--" to end its options, so such a text is passed as the relative path "./-..." it can
// only stand for (no scheme starts with "-"). Trailing blanks, which fixed-length record
// fields leave behind, are dropped.
//
// OpenAddress returns once the opener has started; the opener is reaped in the
// background by one thread for all of them (ChildReaper), so a caller that opens one address many times in a row is not held up
// while each browser starts. Whether the opener then found a program for the address
// is not known to the caller.
//
// Thread safety: may be called from any thread, several at once.

#include <string>
#include <vector>

namespace runtime::shell {

class Opener {
 public:
  // The program that opens addresses, looked up on PATH.
  static constexpr const char* Program = "xdg-open";

  // Starts the opener for `address`. Returns false, with the runtime's error code and
  // text set (RuntimeError), when the address is empty or holds a NUL byte or the
  // opener could not be started (not found: 2; the system has no process left: 412);
  // nothing else happens then.
  static bool OpenAddress(const std::string& address);

  // The argument vector OpenAddress starts the opener with (program name first);
  // empty when the address is refused.
  static std::vector<std::string> Arguments(const std::string& address);
};

}  // namespace runtime::shell
