#include "framework/browse/StringStep.h"

#include <algorithm>
#include <cctype>

namespace framework::browse {
namespace {

// Both tables of 100 entries each; entry 1 of each is blank.
constexpr char Tables[] =
    "   ALBAMEARNBAKBATBENBIABOBBRA"
    "BROBUACACCARCENCHRCOECONCORCRU"
    "DASDELDIADONDURELDEVEFELFISFLO"
    "FREFUTGARGIBGOLGOSGREGUTHAMHEM"
    "HOBHOTINGJASJONKAGKEAKIRKORKYO"
    "LATLEOLIGLOUMACMAQMARMAUMCKMER"
    "MILMONMORNATNOLOKEPAGPAUPETPIN"
    "PORPULRAUREYROBROSRUBSALSCASCH"
    "SCRSHASIGSKISNASOUSTESTISUNTAY"
    "TIRTUCVANWACWASWEIWIEWIMWOLYOR"
    "  AFANATB BFBNBTC CF"
    "CNCTD DFDNDTE EFENET"
    "F FFFNFTG GFGNGTH HF"
    "HNHTI IFINITJ JFJNJT"
    "K KFKNKTL LFLNLTM MF"
    "MNMTN NFNNNTO OFONOT"
    "P PFPNPTQ QNR RFRNRT"
    "S SFSNSTT TFTNTTU UF"
    "UNUTV VFVNVTW WFWNWT"
    "X XFXNXTY YFYNYTZ ZN";

constexpr size_t NamesTableLength = StringStep::Entries * StringStep::NamesLength;
constexpr size_t TwoLettersTableLength = StringStep::Entries * StringStep::TwoLettersLength;
static_assert(sizeof Tables - 1 == NamesTableLength + TwoLettersTableLength);

constexpr char PunctuationSet[] = "\x60\x21\x22\xA3\x24\x25\x25\x5E\x26\x2A\x28\x29\x27\x2D\x3D\x5F"
                                  "\x2B\x5D\x5B\x23\x3B\x7E\x40\x3A\x2F\x2E\x2C\x3F\x5C\x7C\x20";
static_assert(sizeof PunctuationSet - 1 == 31);

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The runtime's string comparison: trailing blanks do not count.
int CompareText(std::string_view a, std::string_view b) { return TrimRight(a).compare(TrimRight(b)); }

}  // namespace

const std::string_view StringStep::FixedTables{Tables, sizeof Tables - 1};
const std::string_view StringStep::Punctuation{PunctuationSet, sizeof PunctuationSet - 1};

void StringStep::Init(uint8_t controls, uint8_t lookupMode) {
  Controls = controls;
  LookupMode = lookupMode;
  Root.clear();
  SortChars.clear();
  switch (lookupMode) {
    case LookupNames:
      Ref = std::string(FixedTables.substr(0, NamesTableLength));
      TestLen = NamesLength;
      break;
    case LookupTwoLetters:
      Ref = std::string(FixedTables.substr(NamesTableLength, TwoLettersTableLength));
      TestLen = TwoLettersLength;
      break;
    case LookupRunTime:
      Ref.assign(Entries * RunTimeLength, ' ');
      TestLen = RunTimeLength;
      for (int code = 1; code <= 255; ++code) {
        const auto c = static_cast<unsigned char>(code);
        const bool letter = std::isalpha(c) != 0 && (Has(ControlCaseSensitive) || std::isupper(c) != 0);
        if ((Has(ControlPunctuation) && Punctuation.find(static_cast<char>(c)) != std::string_view::npos) ||
            (Has(ControlDigits) && std::isdigit(c) != 0) || (Has(ControlLetters) && letter))
          SortChars += static_cast<char>(c);
      }
      break;
    default:
      Ref.clear();
      TestLen = 0;
      break;
  }
}

char StringStep::Case(char c) const {
  return Has(ControlCaseSensitive) ? c : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string StringStep::Entry(int32_t number) const {
  const size_t at = static_cast<size_t>(number - 1) * TestLen;
  return at + TestLen <= Ref.size() ? Ref.substr(at, TestLen) : std::string(TestLen, ' ');
}

int32_t StringStep::ValueToPercent(std::string_view value) {
  std::string taken;
  if (!Root.empty()) taken = std::string(value.substr(std::min(Root.size(), value.size()), TestLen + 1));
  else taken = std::string(value.substr(0, ValueLimit));
  for (char& c : taken) c = Case(c);
  int32_t count = 0;
  while (count < Entries && CompareText(Entry(count + 1), taken) <= 0) ++count;
  if (Has(ControlDescending)) count = Entries - count;
  return std::max(count, 1);
}

std::string StringStep::PercentToValue(int32_t position) {
  if (Has(ControlDescending)) position = Entries - position;
  position = std::clamp(position, 1, Entries);
  return Root + Entry(position);
}

void StringStep::Teardown() {
  if (LookupMode == LookupRunTime) Ref.clear();
  SortChars.clear();
}

void StringStep::SetThumbRange(std::string_view low, std::string_view high) {
  low = TrimRight(low.substr(0, ValueLimit));
  high = TrimRight(high.substr(0, ValueLimit));
  size_t common = 0;
  while (common < std::min(low.size(), high.size()) && low[common] == high[common]) ++common;
  Root = std::string(low.substr(0, std::min(common, RootLimit)));
  Ref.assign(Entries * RunTimeLength, ' ');
  if (SortChars.empty()) return;

  const auto base = static_cast<int64_t>(SortChars.size());
  auto number = [&](std::string_view value, char fill) {
    int64_t n = 0;
    for (size_t i = 0; i < RunTimeLength; ++i) {
      const char c = common + i < value.size() ? Case(value[common + i]) : fill;
      const size_t at = SortChars.find(c);
      n = n * base + (at == std::string::npos ? 0 : static_cast<int64_t>(at));
    }
    return n;
  };
  auto text = [&](int64_t n) {
    std::string out(RunTimeLength, SortChars.front());
    for (size_t i = RunTimeLength; i-- > 0;) {
      out[i] = SortChars[static_cast<size_t>(n % base)];
      n /= base;
    }
    return out;
  };
  const int64_t first = number(low, SortChars.front());
  const int64_t last = number(high, SortChars.back());
  const int64_t step = (last - first) / Entries;
  for (int32_t k = 0; k < Entries; ++k) {
    const int32_t entry = Has(ControlDescending) ? Entries - k : k + 1;
    const int64_t value = std::max<int64_t>(first + k * step, 0);
    Ref.replace(static_cast<size_t>(entry - 1) * RunTimeLength, RunTimeLength, text(value));
  }
}

bool StringStep::ThumbRangeNeeded() { return LookupMode == LookupRunTime; }

}  // namespace framework::browse
