// Every monitor setting, declared once: its name (the exported functions are
// Get<name> and Set<name>), its command code and the values its setter takes.
// The family files turn these into the exported functions; the command-line
// tool reads the same declarations to describe the settings.
#pragma once

#include <cstdint>

namespace vemo::settings {

// Accepted values of a one-byte setter: lo to hi inclusive, in steps of `step`
// counted from lo.
struct ByteRange {
  std::uint8_t lo;
  std::uint8_t hi;
  std::uint8_t step;
  constexpr bool accepts(std::uint8_t v) const { return v >= lo && v <= hi && (v - lo) % step == 0; }
};
constexpr ByteRange upTo(std::uint8_t hi) { return {0, hi, 1}; }
constexpr ByteRange between(std::uint8_t lo, std::uint8_t hi) { return {lo, hi, 1}; }
constexpr ByteRange multiplesOf(std::uint8_t step, std::uint8_t hi) { return {0, hi, step}; }

struct ByteSetting {
  const char* name;
  std::uint8_t code;
  ByteRange accepted;
};

// A 32-bit value with one bit per choice; the setter takes exactly one of the
// lowest `choices` bits. Read-only values (capabilities) have no choices.
struct MaskSetting {
  const char* name;
  std::uint8_t code;
  std::uint8_t choices;
  constexpr bool accepts(std::uint32_t v) const {
    return choices > 0 && v != 0 && (v & (v - 1)) == 0 && v < (std::uint32_t{1} << choices);
  }
};

// A fixed-size identity record, copied out of the reply as it stands.
struct Record {
  const char* name;
  std::uint8_t code;
  std::uint8_t replyLength;
  std::uint8_t recordLength;
};

// A command without payload (the resets).
struct Action {
  const char* name;
  std::uint8_t code;
};

// Identity and information
inline constexpr Record kAssetTag{"AssetTag", 0x00, 16, 10};
inline constexpr Record kMonitorName{"MonitorName", 0x01, 16, 10};
inline constexpr Record kMonitorSerialNumber{"MonitorSerialNumber", 0x02, 18, 12};
inline constexpr std::uint8_t kBacklightHoursCode = 0x04;
inline constexpr Record kVersionFirmware{"VersionFirmware", 0xA0, 16, 10};

// Power and resets
inline constexpr ByteSetting kPowerState{"PowerState", 0x20, between(1, 2)};
inline constexpr ByteSetting kPowerLED{"PowerLED", 0x21, upTo(1)};
inline constexpr ByteSetting kPowerUSB{"PowerUSB", 0x22, upTo(1)};
inline constexpr Action kResetPower{"ResetPower", 0x2F};
inline constexpr Action kFactoryReset{"FactoryReset", 0xAF};

// Image adjustments
inline constexpr ByteSetting kBrightness{"Brightness", 0x30, upTo(100)};
inline constexpr ByteSetting kContrast{"Contrast", 0x31, upTo(100)};
inline constexpr ByteSetting kDynamicContrast{"DynamicContrast", 0x32, upTo(1)};
inline constexpr ByteSetting kAspectRatio{"AspectRatio", 0x33, upTo(3)};
inline constexpr ByteSetting kSharpness{"Sharpness", 0x34, multiplesOf(10, 100)};
inline constexpr ByteSetting kResponseTime{"ResponseTime", 0x35, upTo(1)};
inline constexpr ByteSetting kSaturation{"Saturation", 0x40, upTo(100)};
inline constexpr ByteSetting kHue{"Hue", 0x41, upTo(100)};
inline constexpr ByteSetting kGammaMode{"GammaMode", 0x4A, upTo(1)};
inline constexpr ByteSetting kUniformityCompensation{"UniformityCompensation", 0x4B, multiplesOf(2, 2)};
inline constexpr ByteSetting kLCDConditioning{"LCDConditioning", 0xA4, upTo(1)};

// Color management
inline constexpr MaskSetting kColorTempCaps{"ColorTempCaps", 0x42, 0};
inline constexpr MaskSetting kColorTemp{"ColorTemp", 0x43, 6};
inline constexpr MaskSetting kColorSpaceCaps{"ColorSpaceCaps", 0x44, 0};
inline constexpr MaskSetting kColorSpaceState{"ColorSpaceState", 0x45, 6};
inline constexpr ByteSetting kInputColorFormat{"InputColorFormat", 0x46, upTo(1)};
inline constexpr MaskSetting kColorPresetCaps{"ColorPresetCaps", 0x47, 0};
inline constexpr MaskSetting kColorPreset{"ColorPreset", 0x48, 8};
inline constexpr std::uint8_t kCustomColorCode = 0x49;
inline constexpr std::uint8_t kMaxCustomColorType = 3;
inline constexpr std::uint8_t kMaxColorLevel = 100;
inline constexpr Action kResetColor{"ResetColor", 0x4F};

// Input selection, PxP and MST
inline constexpr ByteSetting kAutoSelect{"AutoSelect", 0x60, upTo(1)};
inline constexpr MaskSetting kVideoInputCaps{"VideoInputCaps", 0x61, 0};
inline constexpr MaskSetting kVideoInput{"VideoInput", 0x62, 10};
inline constexpr ByteSetting kPxPMode{"PxPMode", 0x70, upTo(4)};
inline constexpr MaskSetting kPxPSubInput{"PxPSubInput", 0x71, 10};
inline constexpr ByteSetting kPxPLocation{"PxPLocation", 0x72, upTo(3)};
inline constexpr ByteSetting kMST{"MST", 0xA2, upTo(1)};

// On-screen display
inline constexpr ByteSetting kOSDTransparency{"OSDTransparency", 0x80, multiplesOf(20, 100)};
inline constexpr ByteSetting kOSDLanguage{"OSDLanguage", 0x81, upTo(7)};
inline constexpr ByteSetting kOSDRotation{"OSDRotation", 0x82, upTo(2)};
inline constexpr ByteSetting kOSDTimer{"OSDTimer", 0x83, between(5, 60)};
inline constexpr ByteSetting kOSDButtonLock{"OSDButtonLock", 0x84, upTo(1)};
inline constexpr ByteSetting kButtonSound{"ButtonSound", 0x85, upTo(1)};
inline constexpr Action kResetOSD{"ResetOSD", 0x8F};

}  // namespace vemo::settings
