#include "tests/usb/usbfs_device.h"

#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace vemo::usb {
namespace {

constexpr unsigned kCapabilities = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
constexpr std::size_t kSetupSize = 8;
constexpr std::size_t kMaxBuffer = 4096;  // far more than this device's transfers need

struct Setup {
  std::uint8_t requestType;
  std::uint8_t request;
  std::uint16_t value;
  std::uint16_t index;
  std::uint16_t length;
};

Setup parseSetup(const std::uint8_t* p) {
  return {p[0], p[1], static_cast<std::uint16_t>(p[2] | p[3] << 8),
          static_cast<std::uint16_t>(p[4] | p[5] << 8), static_cast<std::uint16_t>(p[6] | p[7] << 8)};
}

usbdevfs_urb& urbOf(UMockdevIoctlData* data) { return *reinterpret_cast<usbdevfs_urb*>(data->data); }

// Resolves the memory a pointer-sized ioctl argument points to.
UMockdevIoctlData* resolve(UMockdevIoctlData* data, std::size_t offset, std::size_t length) {
  GError* error = nullptr;
  UMockdevIoctlData* out = umockdev_ioctl_data_resolve(data, offset, length, &error);
  if (error != nullptr) {
    std::fprintf(stderr, "usbfs face: cannot resolve ioctl memory: %s\n", error->message);
    g_error_free(error);
    return nullptr;
  }
  return out;
}

void unref(UMockdevIoctlData* data) {
  if (data != nullptr) g_object_unref(data);
}

}  // namespace

UsbfsDevice::UsbfsDevice(UMockdevTestbed* testbed, UsbIdentity identity,
                         std::shared_ptr<sim::VirtualBridge> bridge)
    : testbed_(testbed), identity_(std::move(identity)), bridge_(std::move(bridge)) {
  GError* error = nullptr;
  std::string record = umockdevRecord(identity_);
  if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
    std::string message = error != nullptr ? error->message : "unknown error";
    g_clear_error(&error);
    throw std::runtime_error("umockdev cannot add the device: " + message);
  }

  // umockdev leaves a regular file as the node, which poll() always reports
  // ready; a FIFO lets the host sleep until a transfer can be reaped.
  gchar* root = umockdev_testbed_get_root_dir(testbed_);
  node_ = deviceNode(identity_);
  std::string fifoPath = std::string(root) + node_;
  g_free(root);
  unlink(fifoPath.c_str());
  if (mkfifo(fifoPath.c_str(), 0666) != 0) throw std::runtime_error("cannot make the FIFO node");
  fifo_ = open(fifoPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fifo_ < 0) throw std::runtime_error("cannot open the FIFO node");
  updateReadiness();

  handler_ = umockdev_ioctl_base_new();
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&UsbfsDevice::onIoctl), this);
  g_signal_connect(handler_, "client-connected", G_CALLBACK(&UsbfsDevice::onConnected), this);
  g_signal_connect(handler_, "client-vanished", G_CALLBACK(&UsbfsDevice::onVanished), this);
  if (!umockdev_testbed_attach_ioctl(testbed_, node_.c_str(), handler_, &error)) {
    std::string message = error != nullptr ? error->message : "unknown error";
    g_clear_error(&error);
    throw std::runtime_error("umockdev cannot attach the ioctl handler: " + message);
  }
}

UsbfsDevice::~UsbfsDevice() {
  umockdev_testbed_detach_ioctl(testbed_, node_.c_str(), nullptr);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    while (!clients_.empty()) dropClient(clients_.begin()->first);
  }
  g_object_unref(handler_);
  if (fifo_ >= 0) close(fifo_);
}

gboolean UsbfsDevice::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  auto* device = static_cast<UsbfsDevice*>(self);
  unsigned long request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  std::lock_guard<std::mutex> lock(device->mutex_);
  Result result = device->dispatch(client, request, arg);
  device->updateReadiness();
  umockdev_ioctl_client_complete(client, result.value, result.error);
  return TRUE;
}

void UsbfsDevice::onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  auto* device = static_cast<UsbfsDevice*>(self);
  std::lock_guard<std::mutex> lock(device->mutex_);
  device->clients_[client];
}

void UsbfsDevice::onVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  auto* device = static_cast<UsbfsDevice*>(self);
  std::lock_guard<std::mutex> lock(device->mutex_);
  device->dropClient(client);
  device->updateReadiness();
}

UsbfsDevice::Result UsbfsDevice::dispatch(UMockdevIoctlClient* client, unsigned long request,
                                          UMockdevIoctlData* arg) {
  Client& state = clients_[client];
  // What is already complete can still be reaped after the device is gone.
  if (request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB) return reap(state, arg);
  if (request == USBDEVFS_DISCARDURB) return discard(state, arg);
  if (unplugged_) return {-1, ENODEV};

  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* caps = resolve(arg, 0, sizeof(std::uint32_t));
      if (caps == nullptr) return {-1, EFAULT};
      std::uint32_t value = kCapabilities;
      std::memcpy(caps->data, &value, sizeof value);
      unref(caps);
      return {0, 0};
    }
    case USBDEVFS_SUBMITURB:
      return submit(state, arg);
    case USBDEVFS_GETDRIVER:
      return getDriver(arg);
    case USBDEVFS_IOCTL:
      return driverControl(arg);
    case USBDEVFS_CLAIMINTERFACE:
      return claim(client);
    case USBDEVFS_RELEASEINTERFACE:
      return release(client);
    default:
      std::fprintf(stderr, "usbfs face: ioctl 0x%lx not emulated\n", request);
      return {-1, ENOTTY};
  }
}

UsbfsDevice::Result UsbfsDevice::submit(Client& client, UMockdevIoctlData* arg) {
  Urb urb;
  urb.urb = resolve(arg, 0, sizeof(usbdevfs_urb));
  if (urb.urb == nullptr) return {-1, EFAULT};
  usbdevfs_urb& u = urbOf(urb.urb);
  if (u.buffer_length < 0 || static_cast<std::size_t>(u.buffer_length) > kMaxBuffer) {
    forget(urb);
    return {-1, EINVAL};
  }
  if (u.buffer_length > 0) {
    urb.buffer = resolve(urb.urb, offsetof(usbdevfs_urb, buffer), u.buffer_length);
    if (urb.buffer == nullptr) {
      forget(urb);
      return {-1, EFAULT};
    }
  }

  if (u.type == USBDEVFS_URB_TYPE_CONTROL && u.endpoint == 0) {
    control(urb);
    client.reapable.push_back(urb);
  } else if (u.type == USBDEVFS_URB_TYPE_INTERRUPT && u.endpoint == kInterruptIn) {
    client.waitingIn.push_back(urb);
    deliverInput();
  } else if (u.type == USBDEVFS_URB_TYPE_INTERRUPT && u.endpoint == kInterruptOut) {
    interruptOut(urb);
    client.reapable.push_back(urb);
    collectReplies();
    deliverInput();
  } else {
    forget(urb);
    return {-1, EINVAL};
  }
  return {0, 0};
}

void UsbfsDevice::control(Urb& urb) {
  usbdevfs_urb& u = urbOf(urb.urb);
  if (urb.buffer == nullptr || static_cast<std::size_t>(u.buffer_length) < kSetupSize) {
    u.status = -EPIPE;
    u.actual_length = 0;
    return;
  }
  std::uint8_t* bytes = urb.buffer->data;
  Setup setup = parseSetup(bytes);
  controls_.push_back({setup.requestType, setup.request, setup.value, setup.index, setup.length});

  Bytes answer;
  bool known = false;
  std::uint8_t type = setup.value >> 8;
  std::uint8_t index = setup.value & 0xFF;
  if (setup.requestType == 0x80 && setup.request == 0x06) {  // GET_DESCRIPTOR (device)
    Bytes all = sysfsDescriptors(identity_);
    if (type == 0x01) answer.assign(all.begin(), all.begin() + 18);
    if (type == 0x02) answer.assign(all.begin() + 18, all.end());
    if (type == 0x03) answer = stringDescriptor(identity_, index);
    known = !answer.empty();
  } else if (setup.requestType == 0x81 && setup.request == 0x06 && type == 0x22) {
    answer = reportDescriptor();
    known = true;
  } else if (setup.requestType == 0xA1 && setup.request == 0x01) {  // HID GET_REPORT
    known = type == 0x03 && index == 0 && !identity_.featureAnswer.empty();
    if (known) answer = identity_.featureAnswer;
  } else if (setup.requestType == 0x21 && setup.request == 0x0A) {  // HID SET_IDLE
    known = true;
  }
  if (!known) {
    u.status = -EPIPE;  // the device stalls what it does not understand
    u.actual_length = 0;
    return;
  }
  std::size_t room = static_cast<std::size_t>(u.buffer_length) - kSetupSize;
  std::size_t n = std::min({answer.size(), static_cast<std::size_t>(setup.length), room});
  std::memcpy(bytes + kSetupSize, answer.data(), n);
  u.status = 0;
  u.actual_length =
      static_cast<int>((setup.requestType & 0x80) ? n : std::min<std::size_t>(setup.length, room));
}

void UsbfsDevice::interruptOut(Urb& urb) {
  usbdevfs_urb& u = urbOf(urb.urb);
  Bytes report(urb.buffer == nullptr ? nullptr : urb.buffer->data,
               urb.buffer == nullptr ? nullptr : urb.buffer->data + u.buffer_length);
  traffic_.push_back({true, report});
  bool taken = bridge_ != nullptr && bridge_->hostWrite(report.data(), report.size());
  if (bridge_ != nullptr && bridge_->unplugged()) {
    // The bridge vanished as this report was written.
    u.status = -ENODEV;
    u.actual_length = 0;
    disappear();
    return;
  }
  u.status = taken ? 0 : -EPIPE;
  u.actual_length = taken ? u.buffer_length : 0;
}

void UsbfsDevice::collectReplies() {
  if (bridge_ == nullptr) return;
  // Only what the bridge really has queued: an empty read would tell the
  // model that the host gave up waiting.
  while (bridge_->queuedReplies() > 0) {
    Bytes reply(kPacketSize, 0);
    int got = bridge_->hostRead(reply.data(), reply.size());
    if (got <= 0) continue;  // a reply lost on the wire
    reply.resize(static_cast<std::size_t>(got));
    inputQueue_.push_back(std::move(reply));
  }
}

void UsbfsDevice::deliverInput() {
  for (auto& [key, state] : clients_) {
    while (!inputQueue_.empty() && !state.waitingIn.empty()) {
      Urb urb = state.waitingIn.front();
      state.waitingIn.pop_front();
      Bytes report = std::move(inputQueue_.front());
      inputQueue_.pop_front();
      if (shortInput_) {
        while (report.size() > 1 && report.back() == 0) report.pop_back();
      }
      std::size_t room = static_cast<std::size_t>(urbOf(urb.urb).buffer_length);
      std::size_t n = std::min(room, report.size());
      if (n > 0) std::memcpy(urb.buffer->data, report.data(), n);
      report.resize(n);
      traffic_.push_back({false, report});
      complete(state, urb, 0, static_cast<int>(n));
    }
  }
}

void UsbfsDevice::forget(Urb& urb) {
  unref(urb.buffer);
  unref(urb.urb);
  urb = Urb{};
}

void UsbfsDevice::complete(Client& client, Urb urb, int status, int actualLength) {
  urbOf(urb.urb).status = status;
  urbOf(urb.urb).actual_length = actualLength;
  client.reapable.push_back(urb);
}

UsbfsDevice::Result UsbfsDevice::reap(Client& client, UMockdevIoctlData* arg) {
  if (client.reapable.empty()) return {-1, unplugged_ ? ENODEV : EAGAIN};
  UMockdevIoctlData* slot = resolve(arg, 0, sizeof(void*));
  if (slot == nullptr) return {-1, EFAULT};
  Urb urb = client.reapable.front();
  client.reapable.pop_front();
  // The client's pointer now points at its own URB, with status, length and
  // data synchronised back when the ioctl completes.
  umockdev_ioctl_data_set_ptr(slot, 0, urb.urb);
  unref(slot);
  forget(urb);
  return {0, 0};
}

UsbfsDevice::Result UsbfsDevice::discard(Client& client, UMockdevIoctlData* arg) {
  // The argument is the URB's address in the client.
  unsigned long address = 0;
  std::memcpy(&address, arg->data, std::min<std::size_t>(sizeof address, arg->data_len));
  for (auto it = client.waitingIn.begin(); it != client.waitingIn.end(); ++it) {
    if (it->urb->client_addr != address) continue;
    Urb urb = *it;
    client.waitingIn.erase(it);
    complete(client, urb, -ENOENT, 0);
    return {0, 0};
  }
  return {-1, EINVAL};  // already complete
}

UsbfsDevice::Result UsbfsDevice::getDriver(UMockdevIoctlData* arg) {
  UMockdevIoctlData* data = resolve(arg, 0, sizeof(usbdevfs_getdriver));
  if (data == nullptr) return {-1, EFAULT};
  auto* request = reinterpret_cast<usbdevfs_getdriver*>(data->data);
  Result result{0, 0};
  if (request->interface != 0) {
    result = {-1, EINVAL};
  } else if (claimedBy_ != nullptr) {
    std::snprintf(request->driver, sizeof request->driver, "usbfs");
  } else if (driverBound_) {
    std::snprintf(request->driver, sizeof request->driver, "usbhid");
  } else {
    result = {-1, ENODATA};
  }
  unref(data);
  return result;
}

UsbfsDevice::Result UsbfsDevice::driverControl(UMockdevIoctlData* arg) {
  UMockdevIoctlData* data = resolve(arg, 0, sizeof(usbdevfs_ioctl));
  if (data == nullptr) return {-1, EFAULT};
  auto* command = reinterpret_cast<usbdevfs_ioctl*>(data->data);
  Result result{-1, ENOTTY};
  if (command->ifno != 0) {
    result = {-1, EINVAL};
  } else if (command->ioctl_code == static_cast<int>(USBDEVFS_DISCONNECT)) {
    result = driverBound_ ? Result{0, 0} : Result{-1, ENODATA};
    driverBound_ = false;
  } else if (command->ioctl_code == static_cast<int>(USBDEVFS_CONNECT)) {
    if (claimedBy_ != nullptr) {
      result = {-1, EBUSY};
    } else {
      driverBound_ = true;
      result = {1, 0};  // the kernel reports the driver that bound
    }
  }
  unref(data);
  return result;
}

UsbfsDevice::Result UsbfsDevice::claim(UMockdevIoctlClient* client) {
  if (claimedBy_ == client) return {0, 0};
  if (claimedBy_ != nullptr || driverBound_) return {-1, EBUSY};
  claimedBy_ = client;
  ++claims_;
  return {0, 0};
}

UsbfsDevice::Result UsbfsDevice::release(UMockdevIoctlClient* client) {
  if (claimedBy_ != client) return {-1, EINVAL};
  claimedBy_ = nullptr;
  return {0, 0};
}

void UsbfsDevice::dropClient(UMockdevIoctlClient* client) {
  auto it = clients_.find(client);
  if (it != clients_.end()) {
    for (Urb& urb : it->second.waitingIn) forget(urb);
    for (Urb& urb : it->second.reapable) forget(urb);
    clients_.erase(it);
  }
  if (claimedBy_ == client) claimedBy_ = nullptr;  // closing releases the interface
}

void UsbfsDevice::updateReadiness() {
  bool anyReapable = std::any_of(clients_.begin(), clients_.end(),
                                 [](const auto& entry) { return !entry.second.reapable.empty(); });
  if (anyReapable && fifoFull_) {
    char sink[4096];
    while (read(fifo_, sink, sizeof sink) > 0) {
    }
    fifoFull_ = false;
  } else if (!anyReapable && !fifoFull_) {
    char filler[4096] = {};
    while (write(fifo_, filler, sizeof filler) > 0) {
    }
    while (write(fifo_, filler, 1) > 0) {
    }
    fifoFull_ = true;
  }
}

void UsbfsDevice::unplug() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (bridge_ != nullptr) bridge_->unplug();
  disappear();
  updateReadiness();
}

void UsbfsDevice::disappear() {
  unplugged_ = true;
  for (auto& [key, state] : clients_) {
    while (!state.waitingIn.empty()) {
      Urb urb = state.waitingIn.front();
      state.waitingIn.pop_front();
      complete(state, urb, -ENODEV, 0);
    }
  }
  inputQueue_.clear();
}

void UsbfsDevice::replug(std::shared_ptr<sim::VirtualBridge> bridge) {
  std::lock_guard<std::mutex> lock(mutex_);
  bridge_ = std::move(bridge);
  unplugged_ = false;
  shortInput_ = false;
  driverBound_ = true;
  claimedBy_ = nullptr;
  claims_ = 0;
  inputQueue_.clear();
  traffic_.clear();
  controls_.clear();
  updateReadiness();
}

void UsbfsDevice::sendInputReport(const Bytes& report) {
  std::lock_guard<std::mutex> lock(mutex_);
  inputQueue_.push_back(report);
  deliverInput();
  updateReadiness();
}

void UsbfsDevice::sendShortInputReports(bool shorten) {
  std::lock_guard<std::mutex> lock(mutex_);
  shortInput_ = shorten;
}

std::vector<InterruptPacket> UsbfsDevice::interruptTraffic() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return traffic_;
}

std::vector<ControlRequest> UsbfsDevice::controlRequests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return controls_;
}

void UsbfsDevice::clearRecord() {
  std::lock_guard<std::mutex> lock(mutex_);
  traffic_.clear();
  controls_.clear();
}

int UsbfsDevice::claims() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return claims_;
}

bool UsbfsDevice::claimed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return claimedBy_ != nullptr;
}

bool UsbfsDevice::driverBound() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return driverBound_;
}

bool UsbfsDevice::unplugged() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return unplugged_;
}

}  // namespace vemo::usb
