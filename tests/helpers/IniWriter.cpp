// Plays another copy of the program writing settings: IniWriter <file> <section>
// <prefix> <count> writes entries <prefix>1 .. <prefix><count> (value "v" + number) to
// the INI file, one write each, and exits 0 when every write succeeded.
#include <cstdlib>
#include <string>

#include "runtime/settings/IniFile.h"

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const int count = std::atoi(argv[4]);
  for (int i = 1; i <= count; ++i) {
    const std::string number = std::to_string(i);
    if (!runtime::settings::IniFile::Write(argv[1], argv[2], argv[3] + number, "v" + number)) return 1;
  }
  return 0;
}
