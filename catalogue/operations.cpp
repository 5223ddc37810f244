#include "catalogue/operations.h"

#include <cstdio>

#include "catalogue/byte_steps.h"
#include "include/VemoMonitorSdk.h"

namespace vemo::catalogue {
namespace {

namespace s = vemo::settings;

// A mask setting's choice the monitor does not offer: refused unsent.
int checkOffered(const Setting& setting, std::uint32_t choice,
                 const std::function<const ChoiceNames*()>& names) {
  if (setting.capabilities == nullptr) return STATUS_OK;
  std::uint32_t offered = 0;
  if (int result = findSetting(setting.capabilities)->getMask(&offered); result != STATUS_OK) return result;
  if ((choice & offered) == 0) {
    const ChoiceNames* known = names ? names() : nullptr;
    std::string name = choiceName(Value{choice, {}, {}}, known);
    char shown[16];
    std::snprintf(shown, sizeof shown, "0x%02X", choice);
    throw ValueError(
        Problem::OutOfRange,
        std::string(setting.name) + ": " + shown + (name.empty() ? "" : " (" + name + ")") +
            " is not offered by this monitor; accepted values: " + offeredChoices(offered, known));
  }
  return STATUS_OK;
}

}  // namespace

int readCustomColor(std::uint8_t type, ColorLevels& v) {
  return GetCustomColor(type, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
}

int readValue(const Setting& setting, Value& value) {
  value = Value{};
  switch (setting.kind) {
    case Kind::Byte: {
      unsigned char byte = 0;
      int result = setting.getByte(&byte);
      value.number = byte;
      return result;
    }
    case Kind::Mask:
      return setting.getMask(&value.number);
    case Kind::Text: {
      std::vector<unsigned char> record(setting.textLength, 0);
      int result = setting.getText(record.data());
      std::size_t length = 0;
      while (length < record.size() && record[length] != 0) ++length;
      value.text.assign(reinterpret_cast<const char*>(record.data()), length);
      return result;
    }
    case Kind::Hours: {
      short hours = 0;
      int result = GetBacklightHours(&hours);
      value.number = static_cast<unsigned short>(hours);  // a counter: the 16 bits read unsigned
      return result;
    }
    case Kind::CustomColor:
      for (unsigned type = 0; type <= s::kMaxCustomColorType; ++type) {
        CustomColor color;
        color.type = static_cast<std::uint8_t>(type);
        if (int result = readCustomColor(color.type, color.levels); result != STATUS_OK) return result;
        value.colors.push_back(color);
      }
      return STATUS_OK;
  }
  return STATUS_COMM_FAILURE;
}

int writeValue(const Setting& setting, const Value& value, const ChoiceNames* names) {
  return writeValue(setting, value, [names] { return names; });
}

int writeValue(const Setting& setting, const Value& value, const std::function<const ChoiceNames*()>& names) {
  switch (setting.kind) {
    case Kind::Byte:
      return setting.setByte(static_cast<unsigned char>(value.number));
    case Kind::Mask:
      if (int result = checkOffered(setting, value.number, names); result != STATUS_OK) return result;
      return setting.setMask(value.number);
    case Kind::Text: {
      // The setter sends the whole record: the text, then zeros.
      std::vector<char> record(setting.textLength + 1, '\0');
      std::copy(value.text.begin(), value.text.end(), record.begin());
      return setting.setText(record.data());
    }
    case Kind::CustomColor:
      for (const CustomColor& color : value.colors) {
        const ColorLevels& v = color.levels;
        if (int result = SetCustomColor(color.type, v[0], v[1], v[2], v[3], v[4], v[5]);
            result != STATUS_OK) {
          return result;
        }
      }
      return STATUS_OK;
    case Kind::Hours:
      break;
  }
  throw ValueError(Problem::ReadOnly, std::string(setting.name) + " is read-only");
}

int adjustValue(const Setting& setting, long delta, std::uint8_t& written, bool* unchanged) {
  if (setting.kind != Kind::Byte || !setting.writable()) {
    throw ValueError(Problem::Malformed, std::string(setting.name) + ": a step moves one-byte settings only");
  }
  unsigned char current = 0;
  if (int result = setting.getByte(&current); result != STATUS_OK) return result;
  written = onStep(setting.byteInfo->accepted, long{current} + delta, delta);
  if (unchanged != nullptr) *unchanged = written == current;
  if (written == current) return STATUS_OK;
  return setting.setByte(written);
}

const std::vector<std::string>& resetGroups() {
  static const std::vector<std::string> groups = {"power", "color", "osd", "factory"};
  return groups;
}

int resetGroup(const std::string& group) {
  int (*call)() = group == "power"     ? ResetPower
                  : group == "color"   ? ResetColor
                  : group == "osd"     ? ResetOSD
                  : group == "factory" ? FactoryReset
                                       : nullptr;
  if (call == nullptr) {
    std::string known;
    for (const std::string& name : resetGroups()) known += (known.empty() ? "" : ", ") + name;
    throw ValueError(Problem::Malformed,
                     "reset: unknown group " + shownInput(group) + "; accepted: " + known);
  }
  return call();
}

}  // namespace vemo::catalogue
