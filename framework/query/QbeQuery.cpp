#include "framework/query/QbeQuery.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/error/ErrorManager.h"
#include "framework/error/MessageId.h"
#include "framework/popup/PopupItem.h"
#include "framework/popup/PopupManager.h"
#include "framework/query/QbeForm.h"
#include "framework/window/IniManager.h"
#include "framework/window/SectorEntry.h"
#include "runtime/data/FieldRef.h"
#include "runtime/text/AsciiCase.h"
#include "runtime/text/Picture.h"
#include "runtime/text/Utf8.h"

namespace framework::query {

namespace {

using runtime::data::FieldRef;
using runtime::text::Picture;

constexpr std::string_view OperatorChars = "=<>~";
constexpr const char* UpperPrefix = "UPPER(";
constexpr size_t UpperPrefixLength = 6;
// Values of a saved field are written with these characters escaped, so that a value
// holding the queue's "," separator (or a line break) comes back unchanged.
constexpr char EscapeMark = '%';
constexpr int HexBase = 16;
constexpr size_t EscapeLength = 3;
// Significant digits of a number read through a picture.
constexpr int NumberDigits = 15;

std::string Cut(std::string_view text, size_t limit) {
  return std::string(runtime::text::Utf8::Prefix(text, limit));
}

std::string TrimRight(std::string_view text) {
  const size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

std::string Trim(std::string_view text) {
  const size_t start = text.find_first_not_of(' ');
  return start == std::string_view::npos ? std::string() : TrimRight(text.substr(start));
}

// The filter language's UPPER: ASCII letters only.
std::string Upper(std::string text) {
  return runtime::text::AsciiCase::ToUpper(std::move(text));
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The field's class: the picture's first letter in capitals; a field without a
// picture is a string.
char ClassOf(const std::string& picture) {
  if (picture.empty()) return 'S';
  return Upper(picture.substr(0, 1))[0];
}

bool IsNumber(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  bool digits = false;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') digits = true;
    else if (text[i] == '.' && !point) point = true;
    else return false;
  }
  return digits;
}

// The value's internal form through the picture (a day number for a date, a number
// otherwise); 0 when the picture refuses the text.
std::string InternalForm(const std::string& value, const std::string& picture) {
  const Picture::Category category = Picture::Classify(picture);
  if (category == Picture::Category::Date || category == Picture::Category::Time) {
    int32_t number = 0;
    Picture::Deformat(value, picture, FieldRef::Of(number));
    return std::to_string(number);
  }
  double number = 0;
  Picture::Deformat(value, picture, FieldRef::Of(number));
  char text[64];
  std::snprintf(text, sizeof text, "%.*g", NumberDigits, number);
  return text;
}

std::string Quote(std::string_view value) {
  std::string quoted = "'";
  for (char c : value) {
    quoted.push_back(c);
    if (c == '\'') quoted.push_back('\'');
  }
  quoted.push_back('\'');
  return quoted;
}

// The operator and value of a typed value, with `name` the operator the reading
// brings (see the header of BuildFilter's algorithm): the typed prefix of "=<>~"
// characters plus the name, each of "<", ">" and "~" once in order of appearance,
// then "=" when there was one and not both "<" and ">".
void Normalise(std::string_view name, std::string_view typed, std::string& op, std::string& value) {
  size_t n = 0;
  while (n < typed.size() && n < QbeQuery::OperatorPrefixLimit && OperatorChars.find(typed[n]) != std::string_view::npos) ++n;
  std::string prefix(typed.substr(0, n));
  value = std::string(typed.substr(n));
  if (name == QbeQuery::ContainsOperator) value = "*" + value;
  else if (name == QbeQuery::BeginsOperator) value += "*";
  else prefix += name == "NOT =" ? std::string("<>") : std::string(name);
  op.clear();
  for (char c : prefix)
    if (c != '=' && op.find(c) == std::string::npos) op.push_back(c);
  const bool both = prefix.find('<') != std::string::npos && prefix.find('>') != std::string::npos;
  if (prefix.find('=') != std::string::npos && !both) op.push_back('=');
}

// One condition of a field being read.
struct Part {
  std::string Op;
  std::string Value;
  bool NoCase = false;
  bool UsePicture = true;
};

void TakeCaret(Part& part) {
  if (!part.Value.empty() && part.Value[0] == '^') {
    part.NoCase = true;
    part.Value = Upper(part.Value.substr(1));
  }
}

Part ReadPart(const QbeField& field, std::string_view operatorName, std::string_view typed) {
  Part part;
  Normalise(operatorName, typed, part.Op, part.Value);
  const char kind = ClassOf(field.Picture);
  TakeCaret(part);
  if (field.Name.find(UpperPrefix) != std::string::npos) {
    part.NoCase = true;
    part.Value = Upper(part.Value);
  }
  if (field.ForceEditPicture && kind != 'S') {
    part.NoCase = false;
    part.UsePicture = false;
  }
  if (!part.Value.empty() && part.Value[0] == '*') {
    part.Op = QbeQuery::ContainsOperator;
    part.Value.erase(0, 1);
  } else if (!part.Value.empty() && part.Value.back() == '*') {
    part.Op = QbeQuery::BeginsOperator;
    part.Value.pop_back();
  }
  TakeCaret(part);
  const bool wildcard = part.Op == QbeQuery::ContainsOperator || part.Op == QbeQuery::BeginsOperator;
  if (!wildcard && part.UsePicture && kind != 'S') {
    const bool keep = kind == 'N' && IsNumber(Trim(part.Value));
    if (!keep && !part.Value.empty()) {
      part.Value = InternalForm(part.Value, field.Picture);
      part.NoCase = false;
      part.UsePicture = false;
    }
  }
  return part;
}

// The condition text of one part; "" when it adds nothing.
std::string Condition(const QbeField& field, Part part) {
  std::string name = Cut(Trim(field.Name), QbeQuery::ConditionNameLimit);
  std::string value = Cut(part.Value, QbeQuery::ConditionValueLimit);
  const char kind = ClassOf(field.Picture);
  const bool contains = part.Op == QbeQuery::ContainsOperator;
  const bool begins = part.Op == QbeQuery::BeginsOperator;
  if ((contains || begins) && kind != 'S') {
    name = "FORMAT(" + name + ",@" + field.Picture + ")";
    part.NoCase = true;
  }
  if (part.Op == "<>" && value.empty() && kind != 'S') value = "0";
  if (part.UsePicture) {
    const std::string picture = Upper(field.Picture);
    const bool longDate = picture == "D4" || picture == "D17" || picture == "D18";
    if (kind == 'N' || kind == 'E' || kind == 'T' || (kind == 'D' && !longDate)) {
      part.NoCase = false;
      value = Upper(value);
    }
  }
  if (part.NoCase) {
    value = Upper(value);
    if (!value.empty() && value[0] == '^') value.erase(0, 1);
    if (name.find(UpperPrefix) == std::string::npos) name = UpperPrefix + name + ")";
  } else if (StartsWith(name, UpperPrefix) && name.size() > UpperPrefixLength && name.back() == ')') {
    name = name.substr(UpperPrefixLength, name.size() - UpperPrefixLength - 1);
  }
  if (contains) return value.empty() ? std::string() : "INSTRING(" + Quote(value) + "," + name + ",1,1) <> 0";
  if (begins) {
    if (value.empty()) return {};
    const std::string length = std::to_string(value.size());
    if (kind == 'N') return "SUB(LEFT(" + name + "),1," + length + ") = " + Quote(value);
    return "SUB(" + name + ",1," + length + ") = " + Quote(value);
  }
  std::string shown;
  if (kind == 'S') shown = Quote(value);
  // A bare operator (">") on a number keeps its empty value: the view reports the
  // filter as one it cannot evaluate and ignores it, rather than comparing with a 0
  // the user never typed.
  else if (kind == 'N') shown = value;
  else shown = value.empty() ? std::string("0") : value;
  return "(" + name + " " + part.Op + " " + shown + ")";
}

std::string Escape(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    if (c == EscapeMark || c == ',' || c == '\n' || c == '\r') {
      char code[EscapeLength + 1];
      std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
      escaped += code;
    } else {
      escaped.push_back(c);
    }
  }
  return escaped;
}

std::string Unescape(std::string_view text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == EscapeMark && i + EscapeLength <= text.size()) {
      const std::string code(text.substr(i + 1, EscapeLength - 1));
      char* end = nullptr;
      const long value = std::strtol(code.c_str(), &end, HexBase);
      if (end == code.c_str() + code.size()) {
        plain.push_back(static_cast<char>(value));
        i += EscapeLength - 1;
        continue;
      }
    }
    plain.push_back(text[i]);
  }
  return plain;
}

}  // namespace

QbeQuery::QbeQuery() = default;

QbeQuery::~QbeQuery() { Teardown(); }

void QbeQuery::Init(framework::error::ErrorManager* errors, framework::window::IniManager* ini,
                    std::string_view family) {
  Teardown();
  Fields = std::make_unique<runtime::data::RecordQueue<QbeField>>();
  Errors = errors;
  IniMgr = ini;
  Family = Cut(family, SavedQueryEntry::TextLimit);
}

void QbeQuery::Teardown() {
  Fields.reset();
  PopupEntries.clear();
  LastQuery.clear();
  Text.clear();
}

void QbeQuery::AddField(std::string_view name, std::string_view title, std::string_view picture,
                        bool forceEditPicture) {
  if (!Fields) return;
  if (StartsWith(picture, "@")) picture.remove_prefix(1);
  QbeField field;
  field.Name = Cut(name, QbeField::NameLimit);
  field.Title = Cut(title, QbeField::TitleLimit);
  field.Picture = Cut(picture, QbeField::PictureLimit);
  field.ForceEditPicture = forceEditPicture ? 1 : 0;
  Fields->Buffer = field;
  Fields->Add();
}

int32_t QbeQuery::Mode() const { return Form != nullptr ? Form->Mode() : QbeForm::ModeRanges; }

void QbeQuery::AddConditions(QbeField& field, int32_t mode, std::vector<std::string>& conditions) const {
  auto add = [&](std::string_view operatorName, std::string_view typed) {
    std::string condition = Condition(field, ReadPart(field, operatorName, typed));
    if (!condition.empty()) conditions.push_back(std::move(condition));
  };
  if (!field.Low.empty() && mode == QbeForm::ModeSingle) {
    // One value per field: the range's low end is the example value.
    if (field.Middle.empty()) field.Middle = field.Low;
    field.Low.clear();
    field.High.clear();
  }
  const bool inclusive = !field.Middle.empty();
  if (!field.Low.empty()) {
    add(inclusive ? ">=" : ">", field.Low);
    if (!field.High.empty()) add(inclusive ? "<=" : "<", field.High);
  } else if (!field.High.empty()) {
    add(inclusive ? "<=" : "<", field.High);
  } else if (!field.Middle.empty()) {
    add("=", field.Middle);
  }
}

std::string QbeQuery::BuildFilter() {
  std::vector<std::string> conditions;
  if (Fields) {
    const int32_t mode = Mode();
    for (size_t i = 1; i <= Fields->Records(); ++i) AddConditions(Fields->At(i), mode, conditions);
  }
  std::string filter;
  for (const std::string& condition : conditions) {
    if (!filter.empty()) filter += " AND ";
    filter += condition;
  }
  Text = Cut(filter, FilterLimit);
  return Text;
}

void QbeQuery::ClearValues() {
  if (!Fields) return;
  for (size_t i = 1; i <= Fields->Records(); ++i) {
    QbeField& field = Fields->At(i);
    field.Low.clear();
    field.Middle.clear();
    field.High.clear();
  }
}

bool QbeQuery::Ask() { return Form != nullptr && Form->Ask(*this); }

std::string QbeQuery::SectionOf(std::string_view name) {
  return IniMgr->SectorName(Family, Cut(TrimRight(name), SavedQueryEntry::TextLimit), SectorType);
}

bool QbeQuery::SaveQuery(std::string_view name) {
  if (IniMgr == nullptr || !Fields || TrimRight(name).empty()) return false;
  const std::string section = SectionOf(name);
  IniMgr->AddSector(section);
  runtime::data::RecordQueue<SavedField> saved;
  for (const QbeField& field : Fields->All()) {
    saved.Buffer = {Escape(field.Name), Escape(field.Middle), Escape(field.High), Escape(field.Low)};
    saved.Add();
  }
  return IniMgr->UpdateQueue(section, FieldsEntry, saved, FieldRef::Of(saved.Buffer.Name),
                             FieldRef::Of(saved.Buffer.Middle), FieldRef::Of(saved.Buffer.High),
                             FieldRef::Of(saved.Buffer.Low));
}

void QbeQuery::RestoreQuery(std::string_view name) {
  ClearValues();
  if (IniMgr == nullptr || !Fields || TrimRight(name).empty()) return;
  runtime::data::RecordQueue<SavedField> saved;
  IniMgr->ReadList(SectionOf(name), FieldsEntry, saved, FieldRef::Of(saved.Buffer.Name),
                   FieldRef::Of(saved.Buffer.Middle), FieldRef::Of(saved.Buffer.High), FieldRef::Of(saved.Buffer.Low));
  const int32_t mode = Mode();
  auto find = [&](const std::string& upperName) -> QbeField* {
    for (size_t i = 1; i <= Fields->Records(); ++i)
      if (Upper(Trim(Fields->At(i).Name)) == upperName) return &Fields->At(i);
    return nullptr;
  };
  for (const SavedField& stored : saved.All()) {
    const std::string storedName = Trim(Unescape(stored.Name));
    const std::string upperName = Upper(storedName);
    QbeField* field = find(upperName);
    bool wasCaseFree = false;
    if (field == nullptr && !StartsWith(upperName, UpperPrefix)) field = find(UpperPrefix + upperName + ")");
    if (field == nullptr && StartsWith(upperName, UpperPrefix) && upperName.size() > UpperPrefixLength &&
        upperName.back() == ')') {
      field = find(upperName.substr(UpperPrefixLength, upperName.size() - UpperPrefixLength - 1));
      wasCaseFree = field != nullptr;
    }
    if (field == nullptr) {
      if (Errors != nullptr) {
        Errors->SetFieldName(storedName);
        Errors->RaiseError(framework::error::MessageId::UnsupportedColumn);
      }
      continue;
    }
    const bool isString = ClassOf(field->Picture) == 'S';
    // The field was case-free when saved: a caret keeps its values compared that way.
    // A caret stays in front of the value (the rest in capitals) so that the restored
    // query still compares without regard to case.
    auto take = [&](const std::string& text) {
      std::string value = Cut(Unescape(text), QbeField::ValueLimit);
      if (wasCaseFree && isString && !value.empty() && value[0] != '^') value = "^" + value;
      if (!value.empty() && value[0] == '^') value = "^" + Upper(value.substr(1));
      return value;
    };
    field->Middle = take(stored.Middle);
    field->Low = take(stored.Low);
    field->High = take(stored.High);
    if (mode == QbeForm::ModeSingle) {
      if (field->Middle.empty()) field->Middle = field->Low;
      field->Low.clear();
      field->High.clear();
    }
  }
}

void QbeQuery::LoadSavedQueryList(std::vector<SavedQueryEntry>& list) {
  list.clear();
  if (IniMgr == nullptr) return;
  runtime::data::RecordQueue<framework::window::SectorEntry> sectors;
  IniMgr->GetSectors(Family, {}, SectorType, sectors);
  for (const framework::window::SectorEntry& sector : sectors.All()) {
    // An empty family filter matches every family: keep our own only.
    if (Family != sector.Family) continue;
    if (std::string_view(sector.Item) == MostRecentName) continue;
    list.push_back({sector.Family, sector.Item, sector.Type});
  }
  std::stable_sort(list.begin(), list.end(),
                   [](const SavedQueryEntry& a, const SavedQueryEntry& b) { return a.Item < b.Item; });
}

bool QbeQuery::OnPopupChoice(framework::popup::PopupManager& popup) {
  if (!SaveQueries) return false;
  const std::string chosen = popup.LastChosenItem();
  const auto found = std::find_if(PopupEntries.begin(), PopupEntries.end(),
                                  [&](const SavedQueryEntry& entry) { return entry.Family == chosen; });
  if (found != PopupEntries.end()) {
    LastQuery = found->Item;
    // "C&lear" and "Empty" restore nothing: every value ends empty.
    RestoreQuery(found->Item);
  } else {
    LastQuery = Cut(chosen, SavedQueryEntry::TextLimit);
    ClearValues();
  }
  SaveQuery(MostRecentName);
  return true;
}

void QbeQuery::RefreshPopup(framework::popup::PopupManager& popup, int32_t control) {
  const bool hadItems = !PopupEntries.empty();
  for (const SavedQueryEntry& entry : PopupEntries) popup.RemoveMenuItem(entry.Family);
  PopupEntries.clear();

  std::vector<SavedQueryEntry> saved;
  LoadSavedQueryList(saved);
  const bool active = !BuildFilter().empty();

  // The query's items follow the browse's Query item when there is one, so that a
  // refresh keeps them in place.
  std::string anchor;
  std::string viewName;
  std::string separatorName;
  for (const framework::popup::PopupItem& item : popup.Items()) {
    if (item.MimicMode && item.ControlId == control && control != 0) anchor = item.Name;
    if (item.Name == SeparatorName) separatorName = item.Name;
    if (item.Text == ViewText && item.Depth == TopDepth && item.ControlId == 0 && item.Event == 0) viewName = item.Name;
  }
  if (!hadItems) viewName.clear();
  if ((!saved.empty() || active) && viewName.empty()) {
    if (popup.MenuItemCount() > 0 && separatorName.empty())
      anchor = separatorName =
          popup.AddMenuItem(framework::popup::PopupItem::SeparatorText, SeparatorName, anchor, TopDepth);
    viewName = popup.AddMenuItem(ViewText, ViewText, separatorName.empty() ? anchor : separatorName, TopDepth);
    popup.SetIcon(viewName, SubmenuIcon);
  }
  if (viewName.empty()) return;
  std::string last = viewName;
  auto remember = [&](const std::string& itemName, std::string_view query) {
    PopupEntries.push_back({itemName, std::string(query), {}});
    last = itemName;
  };
  if (saved.empty()) {
    if (!active) {
      popup.RemoveMenuItem(viewName);
      if (!separatorName.empty()) popup.RemoveMenuItem(separatorName);
      return;
    }
    std::string text = EmptyText;
    text.resize(EmptyTextWidth, ' ');
    const std::string empty = popup.AddMenuItem(text, EmptyName, last, SubmenuDepth);
    popup.EnableMenuItem(empty, false);
    remember(empty, {});
  }
  for (const SavedQueryEntry& entry : saved) {
    const std::string name = Trim(entry.Item);
    const std::string item = popup.AddMenuItem(name + "  ", name, last, SubmenuDepth);
    popup.SetIcon(item, ItemIcon);
    popup.AddEventItem(item, ItemEvent, control);
    remember(item, entry.Item);
  }
  remember(popup.AddMenuItem(framework::popup::PopupItem::SeparatorText, ClearSeparatorName, last, SubmenuDepth), {});
  const std::string clear = popup.AddMenuItem(ClearText, ClearName, last, SubmenuDepth);
  popup.AddEventItem(clear, ItemEvent, control);
  remember(clear, {});
}

}  // namespace framework::query
