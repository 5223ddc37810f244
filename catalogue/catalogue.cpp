#include "catalogue/catalogue.h"

#include "include/VemoMonitorSdk.h"

namespace vemo::catalogue {
namespace {

namespace s = vemo::settings;

Setting byteSetting(const char* name, int (*get)(unsigned char*), int (*set)(unsigned char),
                    const s::ByteSetting& info) {
  Setting setting{name, Kind::Byte};
  setting.getByte = get;
  setting.setByte = set;
  setting.byteInfo = &info;
  return setting;
}

Setting enumeration(Setting setting) {
  setting.enumeration = true;
  return setting;
}

Setting maskSetting(const char* name, int (*get)(std::uint32_t*), int (*set)(std::uint32_t),
                    const s::MaskSetting& info, const char* capabilities = nullptr) {
  Setting setting{name, Kind::Mask};
  setting.capabilities = capabilities;
  setting.getMask = get;
  setting.setMask = set;
  setting.maskInfo = &info;
  return setting;
}

Setting textSetting(const char* name, int (*get)(unsigned char*), int (*set)(const char*),
                    const s::Record& record) {
  Setting setting{name, Kind::Text};
  setting.getText = get;
  setting.setText = set;
  setting.textLength = record.recordLength;
  return setting;
}

std::vector<Setting> build() {
  return {
      textSetting("monitor-name", GetMonitorName, nullptr, s::kMonitorName),
      textSetting("serial-number", GetMonitorSerialNumber, nullptr, s::kMonitorSerialNumber),
      textSetting("firmware-version", GetVersionFirmware, nullptr, s::kVersionFirmware),
      textSetting("asset-tag", GetAssetTag, SetAssetTag, s::kAssetTag),
      Setting{"backlight-hours", Kind::Hours},

      enumeration(byteSetting("power-state", GetPowerState, SetPowerState, s::kPowerState)),
      byteSetting("power-led", GetPowerLED, SetPowerLED, s::kPowerLED),
      byteSetting("power-usb", GetPowerUSB, SetPowerUSB, s::kPowerUSB),

      byteSetting("brightness", GetBrightness, SetBrightness, s::kBrightness),
      byteSetting("contrast", GetContrast, SetContrast, s::kContrast),
      byteSetting("dynamic-contrast", GetDynamicContrast, SetDynamicContrast, s::kDynamicContrast),
      enumeration(byteSetting("aspect-ratio", GetAspectRatio, SetAspectRatio, s::kAspectRatio)),
      byteSetting("sharpness", GetSharpness, SetSharpness, s::kSharpness),
      byteSetting("response-time", GetResponseTime, SetResponseTime, s::kResponseTime),
      byteSetting("saturation", GetSaturation, SetSaturation, s::kSaturation),
      byteSetting("hue", GetHue, SetHue, s::kHue),
      byteSetting("gamma-mode", GetGammaMode, SetGammaMode, s::kGammaMode),
      byteSetting("uniformity-compensation", GetUniformityCompensation, SetUniformityCompensation,
                  s::kUniformityCompensation),
      byteSetting("lcd-conditioning", GetLCDConditioning, SetLCDConditioning, s::kLCDConditioning),

      maskSetting("color-preset", GetColorPreset, SetColorPreset, s::kColorPreset, "color-preset-caps"),
      maskSetting("color-preset-caps", GetColorPresetCaps, nullptr, s::kColorPresetCaps),
      maskSetting("color-temp", GetColorTemp, SetColorTemp, s::kColorTemp, "color-temp-caps"),
      maskSetting("color-temp-caps", GetColorTempCaps, nullptr, s::kColorTempCaps),
      maskSetting("color-space", GetColorSpaceState, SetColorSpaceState, s::kColorSpaceState,
                  "color-space-caps"),
      maskSetting("color-space-caps", GetColorSpaceCaps, nullptr, s::kColorSpaceCaps),
      byteSetting("input-color-format", GetInputColorFormat, SetInputColorFormat, s::kInputColorFormat),
      Setting{"custom-color", Kind::CustomColor},

      maskSetting("video-input", GetVideoInput, SetVideoInput, s::kVideoInput, "video-input-caps"),
      maskSetting("video-input-caps", GetVideoInputCaps, nullptr, s::kVideoInputCaps),
      byteSetting("auto-select", GetAutoSelect, SetAutoSelect, s::kAutoSelect),
      enumeration(byteSetting("pxp-mode", GetPxPMode, SetPxPMode, s::kPxPMode)),
      maskSetting("pxp-sub-input", GetPxPSubInput, SetPxPSubInput, s::kPxPSubInput, "video-input-caps"),
      enumeration(byteSetting("pxp-location", GetPxPLocation, SetPxPLocation, s::kPxPLocation)),
      byteSetting("mst", GetMST, SetMST, s::kMST),

      byteSetting("osd-transparency", GetOSDTransparency, SetOSDTransparency, s::kOSDTransparency),
      enumeration(byteSetting("osd-language", GetOSDLanguage, SetOSDLanguage, s::kOSDLanguage)),
      enumeration(byteSetting("osd-rotation", GetOSDRotation, SetOSDRotation, s::kOSDRotation)),
      byteSetting("osd-timer", GetOSDTimer, SetOSDTimer, s::kOSDTimer),
      byteSetting("osd-button-lock", GetOSDButtonLock, SetOSDButtonLock, s::kOSDButtonLock),
      byteSetting("button-sound", GetButtonSound, SetButtonSound, s::kButtonSound),
  };
}

}  // namespace

const std::vector<Setting>& catalogue() {
  static const std::vector<Setting> settings = build();
  return settings;
}

const Setting* findSetting(std::string_view name) {
  for (const Setting& setting : catalogue()) {
    if (name == setting.name) return &setting;
  }
  return nullptr;
}

std::vector<std::string> settingNames() {
  std::vector<std::string> names;
  for (const Setting& setting : catalogue()) names.emplace_back(setting.name);
  return names;
}

}  // namespace vemo::catalogue
