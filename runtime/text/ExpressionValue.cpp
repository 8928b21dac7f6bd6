#include "runtime/text/ExpressionValue.h"

#include <cstring>
#include <limits>
#include <utility>

namespace runtime::text {

using runtime::data::FieldKind;
using runtime::data::FieldRef;

ExpressionValue ExpressionValue::FromText(std::string text) {
  ExpressionValue v;
  v.TheType = Type::Text;
  v.Text = std::move(text);
  return v;
}

ExpressionValue ExpressionValue::FromInteger(int64_t value) { return FromDecimal(value, 0); }

ExpressionValue ExpressionValue::FromDecimal(int64_t scaled, uint8_t places) {
  ExpressionValue v;
  v.TheType = Type::Number;
  v.Scaled = scaled;
  v.Places = places;
  return v;
}

ExpressionValue ExpressionValue::FromReal(double value) {
  ExpressionValue v;
  v.TheType = Type::Number;
  v.IsReal = true;
  v.Real = value;
  return v;
}

ExpressionValue ExpressionValue::FromField(const FieldRef& field) {
  if (field.IsNull()) return FromText({});
  if (field.IsText()) return FromText(field.GetText());
  if (field.Kind() == FieldKind::Real) return FromReal(field.GetReal());
  if (field.Kind() == FieldKind::Decimal) {
    int64_t raw = 0;
    std::memcpy(&raw, field.Address(), sizeof raw);
    return FromDecimal(raw, field.Places());
  }
  return FromInteger(field.GetInteger());
}

FieldRef ExpressionValue::Ref() const {
  // FieldRef carries a mutable address; the callers here only read through it.
  auto* self = const_cast<ExpressionValue*>(this);
  if (TheType == Type::Text) return FieldRef::Of(self->Text);
  if (IsReal) return FieldRef::Of(self->Real);
  return {&self->Scaled, FieldKind::Decimal, sizeof Scaled, Places};
}

std::string ExpressionValue::AsText() const { return TheType == Type::Text ? Text : Ref().GetText(); }

double ExpressionValue::AsReal() const { return Ref().GetReal(); }

int64_t ExpressionValue::AsInteger() const { return Ref().GetInteger(); }

bool ExpressionValue::IsTrue() const {
  if (TheType == Type::Text) return Text.find_first_not_of(" \t") != std::string::npos;
  return IsReal ? Real != 0 : Scaled != 0;
}

int ExpressionValue::Compare(const ExpressionValue& other) const { return Ref().Compare(other.Ref()); }

ExpressionValue ExpressionValue::Negated() const {
  if (TheType == Type::Number && !IsReal && Scaled != std::numeric_limits<int64_t>::min()) {
    return FromDecimal(-Scaled, Places);
  }
  return FromReal(-AsReal());
}

}  // namespace runtime::text
