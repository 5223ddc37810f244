// The object of one monitor on the bus: checks each call, hands it to the
// monitor's queue, and answers when the worker has carried it out.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <functional>
#include <memory>
#include <string>

#include "service/src/supervisor/identity.h"
#include "service/src/supervisor/request_queue.h"

namespace vemod {

using Submit = std::function<void(Json request, Completion caller, const std::string& coalesceKey)>;
// Adds further members (the automation's properties) before the object is published.
using ExtendObject = std::function<void(sdbus::IObject& object)>;

class MonitorObject {
 public:
  MonitorObject(sdbus::IConnection& connection, Identity& identity, Submit submit,
                const ExtendObject& extend = {});
  ~MonitorObject();

  std::string path() const { return object_->getObjectPath(); }
  sdbus::IObject& object() { return *object_; }

  // After a request succeeded on the monitor: the signals every client sees.
  void announce(const Json& request, const Json& reply);
  // Takes the identity a worker read again; what changed is announced
  // (PropertiesChanged). The Id, and with it the object path, stays.
  void refreshIdentity(const Json& reported);

 private:
  void registerCalls();
  void registerProperties();

  Identity& identity_;
  Submit submit_;
  std::unique_ptr<sdbus::IObject> object_;
};

}  // namespace vemod
