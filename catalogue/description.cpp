#include "catalogue/description.h"

namespace vemoctl {

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
  Json json{{"name", setting.name}, {"kind", kindName(setting.kind)}, {"writable", setting.writable()}};
  switch (setting.kind) {
    case Kind::Byte:
      json["min"] = setting.byteInfo->accepted.lo;
      json["max"] = setting.byteInfo->accepted.hi;
      json["step"] = setting.byteInfo->accepted.step;
      break;
    case Kind::Mask:
      json["choices"] = setting.maskInfo->choices;
      break;
    case Kind::Text:
      json["max_bytes"] = setting.textLength;
      break;
    case Kind::Hours:
    case Kind::CustomColor:
      break;
  }
  return json;
}

Json describeSettings() {
  Json settings = Json::array();
  for (const Setting& setting : catalogue()) settings.push_back(describeSetting(setting));
  return Json{{"settings", settings}};
}

}  // namespace vemoctl
