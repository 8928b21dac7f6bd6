#pragma once
// A word matcher: scores how well a document text answers a query of up to ten
// words. Each word found in the document adds its weight from BaseValue: row r of the
// table holds the weights of an r-word query, earlier words weighing more, and each
// row sums to 100. Built and initialised at start-up as the process's current matcher;
// the program itself does not call it. Not thread-safe: Match changes its fields.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace app {

class FuzzyMatcher {
 public:
  static constexpr int MaxWords = 10;
  static constexpr int OptionNoCase = 1;
  static constexpr int OptionWordOnly = 2;

  // Loads the default weight table.
  FuzzyMatcher();

  // Clears NoCase and WordOnly and makes this the process's current matcher.
  void Init();
  void Teardown();
  // Option 1 sets NoCase (a change empties the stored Query), option 2 sets WordOnly;
  // other numbers are ignored.
  void SetOption(int option, bool flag);
  // Score of `doc` for `query`, 0 to 100.
  int Match(std::string_view query, std::string_view doc);

  static FuzzyMatcher* Current();

  std::array<std::array<uint8_t, MaxWords>, MaxWords> BaseValue{};
  std::string Doc;
  bool NoCase = false;
  std::string Query;
  std::vector<size_t> QWordPos;  // where each query word was found in Doc (npos: not found)
  int Res = 0;
  int ResultIndex = 0;
  int Ret = 0;
  int ReturnIndex = 0;
  bool ReturnIndexDone = false;
  int WordCnt = 0;
  bool WordOnly = false;
  std::vector<std::string> Words;

 private:
  size_t Find(std::string_view word) const;
};

}  // namespace app
