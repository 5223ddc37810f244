// Direct access to the scaler's registers at I2C address 0x4A, and the fixed
// sequence that switches the scaler into ISP mode.
#include <array>
#include <cstdio>
#include <cstring>

#include "include/VemoMonitorSdk.h"

namespace {

constexpr unsigned short kMaxRegisterData = 1023;  // the register byte takes the 1024th
constexpr unsigned short kMaxRegisterRead = 254;
// A bridge that keeps failing (unplugged) would otherwise be polled for ever.
constexpr int kMaxConsecutiveFailedReads = 10;

constexpr unsigned char kScaler = 0x4A;
constexpr unsigned char kIspRegister = 0x6F;
constexpr unsigned char kIspBit = 0x80;
constexpr int kIspTries = 50;

struct RegisterValue {
  unsigned char reg;
  unsigned char value;
};
constexpr std::array<RegisterValue, 7> kIspDefaults = {{
    {0x62, 0x06},
    {0x63, 0x50},
    {0x6A, 0x03},
    {0x6B, 0x0B},
    {0x6C, 0x00},
    {0xED, 0x88},
    {0xEE, 0x04},
}};
constexpr unsigned char kReportedRegister = 0x62;

}  // namespace

bool WriteI2C(unsigned char address, unsigned char reg, unsigned char* data, unsigned short length) {
  if (length > kMaxRegisterData) return false;
  if (length > 0 && data == nullptr) return false;
  std::array<unsigned char, kMaxRegisterData + 1> buffer;
  buffer[0] = reg;
  if (length > 0) std::memcpy(&buffer[1], data, length);
  return WriteI2C(address, buffer.data(), static_cast<unsigned short>(length + 1));
}

bool ReadI2C(unsigned char address, unsigned char reg, unsigned char* data, unsigned short length) {
  if (length > kMaxRegisterRead) return false;
  if (!WriteI2C(address, &reg, 1)) return false;
  return ReadI2C(address, data, static_cast<unsigned char>(length));
}

bool WaitForBitChange(unsigned char address, unsigned char reg, unsigned char mask, unsigned char value,
                      int tries) {
  int failedInARow = 0;
  while (tries > 0) {
    unsigned char current = 0;
    if (!ReadI2C(address, reg, &current, 1)) {
      if (++failedInARow == kMaxConsecutiveFailedReads) return false;
      continue;  // a failed read does not use up a try
    }
    failedInARow = 0;
    if ((current & mask) == (value & mask)) return true;
    --tries;
  }
  return false;
}

bool EnableISP_Demo() {
  unsigned char buffer = 0;
  if (!ReadI2C(kScaler, &buffer, 1)) {
    std::puts("EnableISP: Unable to read data from scaler.");
    return false;
  }
  buffer |= kIspBit;
  if (!WriteI2C(kScaler, kIspRegister, &buffer, 1)) {
    std::puts("EnableISP: Unable to write data to scaler.");
    return false;
  }
  if (!WaitForBitChange(kScaler, kIspRegister, kIspBit, kIspBit, kIspTries)) return false;
  std::puts("Enable ISP succeeded. Setting default values...");
  for (const RegisterValue& entry : kIspDefaults) {
    buffer = entry.value;
    WriteI2C(kScaler, entry.reg, &buffer, 1);  // results deliberately not examined
  }
  // A failed read leaves the last value written in the buffer; that is printed.
  ReadI2C(kScaler, kReportedRegister, &buffer, 1);
  std::printf("Scaler Address 0x62 = 0x%X.\n", buffer);
  return true;
}
