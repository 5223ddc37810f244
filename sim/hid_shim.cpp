// hidapi's C interface over the virtual HID bus. Linked into a program (or
// preloaded), these definitions take the place of the system's hidapi, so the
// unchanged library talks to the device model.
#include <hidapi.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include "sim/virtual_hid_bus.h"

using vemo::sim::VirtualHidBus;
using vemo::sim::VirtualHidDevice;

struct hid_device_ {
  VirtualHidDevice* device;
};

namespace {

wchar_t* copyWide(const std::wstring& s) {
  auto* out = static_cast<wchar_t*>(std::calloc(s.size() + 1, sizeof(wchar_t)));
  if (out != nullptr) std::wmemcpy(out, s.c_str(), s.size());
  return out;
}

bool gone(const VirtualHidDevice& d) { return d.bridge != nullptr && d.bridge->unplugged(); }

int copyString(const std::wstring& from, bool fails, wchar_t* to, std::size_t maxlen) {
  if (fails || to == nullptr || maxlen == 0) return -1;
  std::wcsncpy(to, from.c_str(), maxlen);
  to[maxlen - 1] = L'\0';
  return 0;
}

const wchar_t kError[] = L"virtual HID device error";

// Closed handles are handed out again, most recent first, the way an
// allocator reuses freed memory: code that keeps a stale handle pointer
// meets a new device behind the same address.
std::vector<hid_device*>& closedHandles() {
  static auto* handles = new std::vector<hid_device*>;  // never destroyed: still reachable at exit
  return *handles;
}

}  // namespace

extern "C" {

int hid_init(void) { return 0; }
int hid_exit(void) { return 0; }

hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id) {
  VirtualHidBus& bus = VirtualHidBus::instance();
  ++bus.enumerations;
  hid_device_info* head = nullptr;
  hid_device_info** tail = &head;
  for (const VirtualHidDevice& d : bus.devices()) {
    if (gone(d)) continue;
    if (vendor_id != 0 && d.vendorId != vendor_id) continue;
    if (product_id != 0 && d.productId != product_id) continue;
    auto* info = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
    if (info == nullptr) break;
    info->path = strdup(d.path.c_str());
    info->vendor_id = d.vendorId;
    info->product_id = d.productId;
    info->serial_number = copyWide(d.serial);
    info->manufacturer_string = copyWide(d.manufacturer);
    info->product_string = copyWide(d.product);
    info->interface_number = 0;
    info->bus_type = HID_API_BUS_USB;
    *tail = info;
    tail = &info->next;
  }
  return head;
}

void hid_free_enumeration(hid_device_info* devs) {
  while (devs != nullptr) {
    hid_device_info* next = devs->next;
    std::free(devs->path);
    std::free(devs->serial_number);
    std::free(devs->manufacturer_string);
    std::free(devs->product_string);
    std::free(devs);
    devs = next;
  }
}

hid_device* hid_open_path(const char* path) {
  if (path == nullptr) return nullptr;
  VirtualHidDevice* d = VirtualHidBus::instance().find(path);
  if (d == nullptr || d->openFails || gone(*d)) return nullptr;
  if (d->claim && !d->claim()) return nullptr;
  ++d->opens;
  ++d->openHandles;
  std::vector<hid_device*>& closed = closedHandles();
  if (closed.empty()) return new hid_device_{d};
  hid_device* handle = closed.back();
  closed.pop_back();
  handle->device = d;
  return handle;
}

hid_device* hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t* serial_number) {
  for (VirtualHidDevice& d : VirtualHidBus::instance().devices()) {
    if (d.vendorId != vendor_id || d.productId != product_id) continue;
    if (serial_number != nullptr && d.serial != serial_number) continue;
    return hid_open_path(d.path.c_str());
  }
  return nullptr;
}

void hid_close(hid_device* dev) {
  if (dev == nullptr) return;
  --dev->device->openHandles;
  if (dev->device->release) dev->device->release();
  dev->device = nullptr;
  closedHandles().push_back(dev);
}

int hid_write(hid_device* dev, const unsigned char* data, size_t length) {
  if (dev == nullptr || dev->device->bridge == nullptr) return -1;
  return dev->device->bridge->hostWrite(data, length) ? static_cast<int>(length) : -1;
}

int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds) {
  if (dev == nullptr || dev->device->bridge == nullptr) return -1;
  if (dev->device->recordTimeouts) dev->device->readTimeouts.push_back(milliseconds);
  return dev->device->bridge->hostRead(data, length);
}

// Nothing runs beside the caller, so a blocking read with nothing queued can
// never be satisfied; it reports the device as failed instead of hanging.
int hid_read(hid_device* dev, unsigned char* data, size_t length) {
  int got = hid_read_timeout(dev, data, length, -1);
  return got == 0 ? -1 : got;
}

int hid_set_nonblocking(hid_device* dev, int /*nonblock*/) { return dev == nullptr ? -1 : 0; }

int hid_send_feature_report(hid_device* dev, const unsigned char* /*data*/, size_t length) {
  if (dev == nullptr || gone(*dev->device)) return -1;
  return static_cast<int>(length);
}

// Like hidapi's libusb back end: byte 0 is the report number, the answer
// follows it, and the count includes the report number.
int hid_get_feature_report(hid_device* dev, unsigned char* data, size_t length) {
  if (dev == nullptr || data == nullptr || length < 1) return -1;
  const VirtualHidDevice& d = *dev->device;
  if (d.featureFails || gone(d)) return -1;
  std::size_t n = std::min(length - 1, d.featureAnswer.size());
  std::memcpy(data + 1, d.featureAnswer.data(), n);
  return static_cast<int>(n + 1);
}

int hid_get_input_report(hid_device* /*dev*/, unsigned char* /*data*/, size_t /*length*/) { return -1; }

int hid_get_manufacturer_string(hid_device* dev, wchar_t* string, size_t maxlen) {
  if (dev == nullptr) return -1;
  return copyString(dev->device->manufacturer, gone(*dev->device), string, maxlen);
}

int hid_get_product_string(hid_device* dev, wchar_t* string, size_t maxlen) {
  if (dev == nullptr) return -1;
  return copyString(dev->device->product, gone(*dev->device), string, maxlen);
}

int hid_get_serial_number_string(hid_device* dev, wchar_t* string, size_t maxlen) {
  if (dev == nullptr) return -1;
  const VirtualHidDevice& d = *dev->device;
  return copyString(d.serial, d.serialFails || gone(d), string, maxlen);
}

int hid_get_indexed_string(hid_device* /*dev*/, int /*index*/, wchar_t* /*string*/, size_t /*maxlen*/) {
  return -1;
}

const wchar_t* hid_error(hid_device* /*dev*/) { return kError; }

const hid_api_version* hid_version(void) {
  static const hid_api_version version = {HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR,
                                          HID_API_VERSION_PATCH};
  return &version;
}

const char* hid_version_str(void) { return HID_API_VERSION_STR; }

}  // extern "C"
