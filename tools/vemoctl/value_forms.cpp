#include "tools/vemoctl/value_forms.h"

namespace vemoctl {

Readout readoutOf(const Setting& setting, const Value& value) {
  Readout out;
  out.lines = textLines(setting, value);
  out.json = jsonForm(setting, value);
  out.value = value;
  return out;
}

Value checkedValue(const Setting& setting, const std::string& text, const ChoiceNames* names) {
  try {
    return parseValue(setting, text, names);
  } catch (const ValueError& e) {
    throw toolError(e);
  }
}

bool mayBeChoiceName(const Setting& setting, const std::string& text) {
  bool choices = setting.writable() &&
                 (setting.kind == Kind::Mask || (setting.kind == Kind::Byte && setting.enumeration));
  return choices && !text.empty() && !looksLikeNumber(text);
}

std::string heldLine(const Setting& setting, const Value& value, const Readout& readout) {
  if (setting.kind != Kind::CustomColor || value.colors.empty()) return readout.lines.at(0);
  for (std::size_t i = 0; i < readout.value.colors.size(); ++i) {
    if (readout.value.colors[i].type == value.colors.front().type) return readout.lines.at(i);
  }
  return "";
}

}  // namespace vemoctl
