// The device model as a USB device at the kernel interface: a umockdev
// device node whose usbfs ioctls (claiming, URB submission and reaping,
// control transfers on endpoint 0) are answered here. The bridge model sits
// behind the interrupt endpoints: every 64-byte OUT report goes to its
// hostWrite, and its replies come back on the interrupt IN endpoint.
//
// umockdev calls the handler on a worker thread of its own, so the model is
// only touched under this object's lock; tests reach it through withModel().
#pragma once

#include <umockdev.h>

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/virtual_bridge.h"
#include "tests/usb/usb_descriptors.h"

namespace vemo::usb {

struct ControlRequest {
  std::uint8_t requestType;
  std::uint8_t request;
  std::uint16_t value;
  std::uint16_t index;
  std::uint16_t length;
};

// One completed transfer on an interrupt endpoint, as it crossed the wire.
struct InterruptPacket {
  bool toDevice;  // OUT endpoint; false: IN endpoint
  Bytes bytes;
};

class UsbfsDevice {
 public:
  // `bridge` may be null: a HID device that only enumerates.
  UsbfsDevice(UMockdevTestbed* testbed, UsbIdentity identity, std::shared_ptr<sim::VirtualBridge> bridge);
  ~UsbfsDevice();
  UsbfsDevice(const UsbfsDevice&) = delete;
  UsbfsDevice& operator=(const UsbfsDevice&) = delete;

  // Runs `action` with the device model (bridge and whatever sits behind it)
  // locked against the handler thread.
  template <typename Action>
  auto withModel(Action&& action) {
    std::lock_guard<std::mutex> lock(mutex_);
    return action();
  }

  // The device disappears: transfers in flight end with -ENODEV, every later
  // request fails with ENODEV.
  void unplug();
  // A new device in the same place (the old one must have no open handle).
  void replug(std::shared_ptr<sim::VirtualBridge> bridge);
  // The device sends an input report nobody asked for (a late reply).
  void sendInputReport(const Bytes& report);
  // Input reports end after their last non-zero byte (short packets).
  void sendShortInputReports(bool shorten);

  const UsbIdentity& identity() const { return identity_; }
  std::vector<InterruptPacket> interruptTraffic() const;
  std::vector<ControlRequest> controlRequests() const;
  void clearRecord();
  int claims() const;  // successful CLAIMINTERFACE requests so far
  bool claimed() const;
  bool driverBound() const;
  bool unplugged() const;

 private:
  struct Urb {
    UMockdevIoctlData* urb = nullptr;     // the client's usbdevfs_urb (a reference we hold)
    UMockdevIoctlData* buffer = nullptr;  // its data buffer, resolved
  };
  struct Client {
    std::deque<Urb> waitingIn;  // interrupt IN transfers the host keeps posted
    std::deque<Urb> reapable;   // completed, not yet reaped
  };
  struct Result {
    long value;
    int error;
  };

  static gboolean onIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);
  static void onConnected(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);
  static void onVanished(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);

  Result dispatch(UMockdevIoctlClient* client, unsigned long request, UMockdevIoctlData* arg);
  Result submit(Client& client, UMockdevIoctlData* arg);
  Result reap(Client& client, UMockdevIoctlData* arg);
  Result discard(Client& client, UMockdevIoctlData* arg);
  Result getDriver(UMockdevIoctlData* arg);
  Result driverControl(UMockdevIoctlData* arg);
  Result claim(UMockdevIoctlClient* client);
  Result release(UMockdevIoctlClient* client);

  void control(Urb& urb);
  void interruptOut(Urb& urb);
  void collectReplies();
  void deliverInput();
  void complete(Client& client, Urb urb, int status, int actualLength);
  static void forget(Urb& urb);  // drops our references
  void disappear();
  void dropClient(UMockdevIoctlClient* client);
  void updateReadiness();

  mutable std::mutex mutex_;
  UMockdevTestbed* testbed_;
  UMockdevIoctlBase* handler_ = nullptr;
  UsbIdentity identity_;
  std::string node_;
  std::shared_ptr<sim::VirtualBridge> bridge_;

  std::map<UMockdevIoctlClient*, Client> clients_;
  std::deque<Bytes> inputQueue_;  // reports the device holds until the host posts an IN transfer
  UMockdevIoctlClient* claimedBy_ = nullptr;
  bool driverBound_ = true;  // the kernel's HID driver owns the interface
  bool unplugged_ = false;
  bool shortInput_ = false;
  int claims_ = 0;
  std::vector<InterruptPacket> traffic_;
  std::vector<ControlRequest> controls_;

  // The node is a FIFO kept full while nothing is reapable, so that the
  // host's poll() for POLLOUT sleeps until there is something to reap.
  int fifo_ = -1;
  bool fifoFull_ = false;
};

}  // namespace vemo::usb
