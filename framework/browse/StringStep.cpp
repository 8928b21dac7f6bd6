#include "framework/browse/StringStep.h"

#include <algorithm>
#include <cctype>

#include "runtime/text/AsciiCase.h"

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

size_t CommonPrefix(std::string_view a, std::string_view b) {
  size_t n = 0;
  while (n < std::min(a.size(), b.size()) && a[n] == b[n]) ++n;
  return n;
}

// The characters of web addresses besides letters and digits.
constexpr std::string_view AddressMarks = ":/.-";

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
            (Has(ControlDigits) && std::isdigit(c) != 0) || (Has(ControlLetters) && letter) ||
            (Has(ControlAddress) && AddressMarks.find(static_cast<char>(c)) != std::string_view::npos))
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
  return Has(ControlCaseSensitive) ? c : runtime::text::AsciiCase::Upper(c);
}

std::string StringStep::Entry(int32_t number) const {
  const size_t at = static_cast<size_t>(number - 1) * TestLen;
  return at + TestLen <= Ref.size() ? Ref.substr(at, TestLen) : std::string(TestLen, ' ');
}

std::string StringStep::Cased(std::string_view text) const {
  std::string out(text);
  for (char& c : out) c = Case(c);
  return out;
}

int32_t StringStep::ValueToPercent(std::string_view value) {
  if (!Last.empty()) {
    const std::string whole = Cased(TrimRight(value.substr(0, ValueLimit)));
    if (CompareText(whole, First) <= 0) return Has(ControlDescending) ? Entries : 1;
    if (CompareText(whole, Last) >= 0) return Has(ControlDescending) ? 1 : Entries;
  }
  std::string taken;
  if (!Root.empty()) taken = std::string(value.substr(std::min(Root.size(), value.size()), TestLen + 1));
  else taken = std::string(value.substr(0, ValueLimit));
  for (char& c : taken) c = Case(c);
  // Entry without a copy of each: past the table an entry is blanks, no text to compare.
  const std::string_view table(Ref);
  auto entry = [&](int32_t number) {
    const size_t at = static_cast<size_t>(number - 1) * TestLen;
    return at + TestLen <= table.size() ? table.substr(at, TestLen) : std::string_view();
  };
  const std::string_view key = TrimRight(taken);  // CompareText's trim, done once
  int32_t count = 0;
  while (count < Entries && TrimRight(entry(count + 1)).compare(key) <= 0) ++count;
  if (Has(ControlDescending)) count = Entries - count;
  return std::max(count, 1);
}

std::string StringStep::PercentToValue(int32_t position) {
  if (Has(ControlDescending)) position = Entries - position;
  position = std::clamp(position, 1, Entries);
  // Among several ranges, entries narrower than the widest are padded with blanks
  // that are no part of the key.
  if (!Last.empty()) return Root + std::string(TrimRight(Entry(position)));
  return Root + Entry(position);
}

void StringStep::Teardown() {
  if (LookupMode == LookupRunTime) Ref.clear();
  First.clear();
  Last.clear();
  SortChars.clear();
}

void StringStep::SetThumbRange(std::string_view low, std::string_view high) {
  SetThumbRanges({KeyRange{std::string(low), std::string(high)}});
}

void StringStep::SetThumbRanges(const std::vector<KeyRange>& ranges) {
  TestLen = RunTimeLength;
  Root.clear();
  First.clear();
  Last.clear();
  Ref.assign(Entries * RunTimeLength, ' ');
  if (ranges.empty()) return;
  const std::string_view low = TrimRight(std::string_view(ranges.front().Low).substr(0, ValueLimit));
  const std::string_view high = TrimRight(std::string_view(ranges.back().High).substr(0, ValueLimit));
  const size_t common = CommonPrefix(low, high);
  Root = std::string(low.substr(0, std::min(common, RootLimit)));
  if (SortChars.empty()) return;

  // Each range counts after its own common prefix; the part of that prefix beyond
  // Root starts its entries, so a prefix longer than Root still spreads the rows.
  struct Span {
    std::string Lead;
    std::string_view Low, High;
    size_t Common;
  };
  std::vector<Span> spans;
  size_t width = RunTimeLength;
  for (const KeyRange& range : ranges) {
    Span span;
    span.Low = TrimRight(std::string_view(range.Low).substr(0, ValueLimit));
    span.High = TrimRight(std::string_view(range.High).substr(0, ValueLimit));
    span.Common = std::clamp(CommonPrefix(span.Low, span.High), Root.size(), ValueLimit - RunTimeLength - 1);
    span.Common = std::min(span.Common, std::max(span.Low.size(), Root.size()));
    for (size_t i = Root.size(); i < span.Common; ++i) span.Lead += Case(span.Low[i]);
    width = std::max(width, span.Lead.size() + RunTimeLength);
    spans.push_back(std::move(span));
  }
  TestLen = static_cast<uint8_t>(width);
  Ref.assign(static_cast<size_t>(Entries) * width, ' ');

  const auto base = static_cast<int64_t>(SortChars.size());
  auto number = [&](std::string_view value, size_t from, char fill) {
    int64_t n = 0;
    for (size_t i = 0; i < RunTimeLength; ++i) {
      const char c = from + i < value.size() ? Case(value[from + i]) : fill;
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
  const size_t count = std::min(spans.size(), static_cast<size_t>(Entries));
  if (count > 1) {
    // The order's ends give the thumb's ends, whatever the ranges' entries.
    First = Cased(low);
    Last = Cased(high);
  }
  int32_t k = 0;
  for (size_t r = 0; r < count; ++r) {
    const Span& span = spans[r];
    const int32_t share = Entries / static_cast<int32_t>(count) + (r < Entries % count ? 1 : 0);
    const int64_t first = number(span.Low, span.Common, SortChars.front());
    const int64_t last = number(span.High, span.Common, SortChars.back());
    const int64_t step = (last - first) / share;
    for (int32_t j = 0; j < share; ++j, ++k) {
      const int32_t entry = Has(ControlDescending) ? Entries - k : k + 1;
      std::string value = span.Lead + text(std::max<int64_t>(first + j * step, 0));
      // Among several ranges each starts at its first key, so that locating there
      // finds it even when it is the only key of its range.
      // A range of one key is that key at every one of its places.
      if (count > 1 && (j == 0 || span.Low == span.High))
        value = Cased(span.Low.substr(std::min(Root.size(), span.Low.size()))).substr(0, width);
      Ref.replace(static_cast<size_t>(entry - 1) * width, value.size(), value);
    }
  }
}

std::vector<StringStep::KeyRange> StringStep::FindRanges(std::string_view low, std::string_view high,
                                                          const OrderReads& reads) const {
  const std::vector<KeyRange> whole{KeyRange{std::string(low), std::string(high)}};
  const std::string_view lo = TrimRight(low.substr(0, ValueLimit));
  const std::string_view hi = TrimRight(high.substr(0, ValueLimit));
  const size_t at = CommonPrefix(lo, hi);
  if (Has(ControlDescending) || at >= lo.size() || at >= hi.size() || !reads.FirstAtOrAfter || !reads.LastAtOrBefore)
    return whole;
  std::vector<KeyRange> ranges;
  std::string current(lo);
  for (;;) {
    const auto c = static_cast<unsigned char>(Case(current[at]));
    if (c == 0xFF) return whole;
    // The smallest value after every key that has `c` at the branching place.
    const std::string bound = current.substr(0, at) + static_cast<char>(c + 1);
    const std::optional<std::string> last = reads.LastAtOrBefore(bound);
    if (!last) return whole;
    ranges.push_back(KeyRange{current, *last});
    const std::optional<std::string> next = reads.FirstAtOrAfter(bound);
    if (!next) break;
    const std::string_view following = TrimRight(*next);
    if (following.size() <= at || Cased(following.substr(0, at)) != Cased(lo.substr(0, at)) ||
        static_cast<unsigned char>(Case(following[at])) <= c || ranges.size() >= MaxRanges)
      return whole;
    current = std::string(following);
  }
  return ranges;
}

bool StringStep::ThumbRangeNeeded() { return LookupMode == LookupRunTime; }

}  // namespace framework::browse
