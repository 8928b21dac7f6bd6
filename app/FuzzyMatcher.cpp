#include "app/FuzzyMatcher.h"

#include <algorithm>
#include <atomic>
#include <cctype>

#include "runtime/text/AsciiCase.h"

namespace app {
namespace {

std::atomic<FuzzyMatcher*> CurrentMatcher{nullptr};

// Row r (1-based) holds the weights of an r-word query.
constexpr uint8_t DefaultWeights[FuzzyMatcher::MaxWords][FuzzyMatcher::MaxWords] = {
    {100},
    {65, 35},
    {50, 30, 20},
    {40, 30, 20, 10},
    {34, 27, 20, 13, 6},
    {29, 24, 19, 14, 9, 5},
    {25, 21, 17, 14, 11, 8, 4},
    {20, 18, 15, 14, 11, 10, 7, 5},
    {20, 17, 15, 13, 11, 9, 7, 5, 3},
    {19, 17, 15, 13, 11, 9, 7, 5, 3, 1},
};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = runtime::text::AsciiCase::Lower(c);
  return out;
}

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || (c & 0x80); }

}  // namespace

FuzzyMatcher::FuzzyMatcher() {
  for (int r = 0; r < MaxWords; ++r)
    for (int c = 0; c < MaxWords; ++c) BaseValue[r][c] = DefaultWeights[r][c];
}

void FuzzyMatcher::Init() {
  NoCase = false;
  WordOnly = false;
  CurrentMatcher = this;
}

void FuzzyMatcher::Teardown() {
  FuzzyMatcher* self = this;
  CurrentMatcher.compare_exchange_strong(self, nullptr);
}

FuzzyMatcher* FuzzyMatcher::Current() { return CurrentMatcher; }

void FuzzyMatcher::SetOption(int option, bool flag) {
  if (option == OptionNoCase) {
    if (NoCase != flag) Query.clear();
    NoCase = flag;
  } else if (option == OptionWordOnly) {
    WordOnly = flag;
  }
}

size_t FuzzyMatcher::Find(std::string_view word) const {
  size_t from = 0;
  while (true) {
    size_t at = Doc.find(word, from);
    if (at == std::string::npos || !WordOnly) return at;
    bool startOk = at == 0 || !IsWordChar(Doc[at - 1]);
    size_t end = at + word.size();
    bool endOk = end >= Doc.size() || !IsWordChar(Doc[end]);
    if (startOk && endOk) return at;
    from = at + 1;
  }
}

int FuzzyMatcher::Match(std::string_view query, std::string_view doc) {
  std::string q = NoCase ? Lower(query) : std::string(query);
  if (q != Query) {
    Query = q;
    Words.clear();
    size_t i = 0;
    while (i < Query.size() && static_cast<int>(Words.size()) < MaxWords) {
      while (i < Query.size() && std::isspace(static_cast<unsigned char>(Query[i]))) ++i;
      size_t start = i;
      while (i < Query.size() && !std::isspace(static_cast<unsigned char>(Query[i]))) ++i;
      if (i > start) Words.push_back(Query.substr(start, i - start));
    }
    WordCnt = static_cast<int>(Words.size());
  }
  Doc = NoCase ? Lower(doc) : std::string(doc);
  QWordPos.assign(Words.size(), std::string::npos);
  Res = 0;
  for (int w = 0; w < WordCnt; ++w) {
    QWordPos[w] = Find(Words[w]);
    if (QWordPos[w] != std::string::npos) Res += BaseValue[WordCnt - 1][w];
  }
  Ret = std::min(Res, 100);
  return Ret;
}

}  // namespace app
