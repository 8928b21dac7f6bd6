#pragma once
// What an exchange file holds once read, before anything is stored: the addresses
// with their counts, in file order, each with the line it came from, and the
// entries a reader could not take at all (a CSV count that is no number) with the
// reason. Whether an address can be stored is decided by the import, not here.
//
// Plain values; no thread affinity.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace app {

struct ExchangeEntry {
  std::string Url;
  int32_t NumberOfTimesToOpen = 1;
  size_t Line = 0;  // 1-based line of the file where the entry starts; 0 when not from a file
};

struct RefusedEntry {
  size_t Line = 0;
  std::string Text;    // the entry as found, shortened for the report (ExchangeText::Excerpt)
  std::string Reason;  // short, in words a person reads
};

struct ExchangeList {
  std::vector<ExchangeEntry> Entries;
  std::vector<RefusedEntry> Refused;
};

}  // namespace app
