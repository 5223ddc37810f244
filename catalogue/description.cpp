#include "catalogue/description.h"

#include "catalogue/operations.h"

namespace vemo::catalogue {

const char* kindName(Kind kind) {
  switch (kind) {
    case Kind::Byte:
      return "byte";
    case Kind::Mask:
      return "mask";
    case Kind::Text:
      return "text";
    case Kind::Hours:
      return "hours";
    case Kind::CustomColor:
      return "custom-color";
  }
  return "";
}

Json describeSetting(const Setting& setting) {
  namespace s = vemo::settings;
  Json json{{"name", setting.name}, {"kind", kindName(setting.kind)}, {"writable", setting.writable()}};
  switch (setting.kind) {
    case Kind::Byte:
      json["min"] = setting.byteInfo->accepted.lo;
      json["max"] = setting.byteInfo->accepted.hi;
      json["step"] = setting.byteInfo->accepted.step;
      if (setting.enumeration) json["enumeration"] = true;
      break;
    case Kind::Mask:
      json["choices"] = setting.maskInfo->choices;
      if (setting.capabilities != nullptr) json["capabilities"] = setting.capabilities;
      break;
    case Kind::Text:
      json["max_bytes"] = setting.textLength;
      break;
    case Kind::CustomColor: {
      json["types"] = s::kMaxCustomColorType + 1;
      json["levels"] = kColorLevelNames;
      json["max_level"] = s::kMaxColorLevel;
      Json checked = Json::array();
      for (unsigned type = 0; type <= s::kMaxCustomColorType; ++type)
        checked.push_back(checkedColorLevels(type));
      json["checked_levels"] = checked;
      break;
    }
    case Kind::Hours:
      break;
  }
  return json;
}

Json describeSettings() {
  Json settings = Json::array();
  for (const Setting& setting : catalogue()) settings.push_back(describeSetting(setting));
  return Json{{"settings", settings}, {"reset_groups", resetGroups()}};
}

}  // namespace vemo::catalogue
