#include "service/src/supervisor/manager_object.h"

#include "contract/bus.h"
#include "service/src/supervisor/bus_values.h"

namespace vemod {

namespace bus = vemo::bus;

ManagerObject::ManagerObject(sdbus::IConnection& connection, ManagerCalls calls,
                             const std::function<void(sdbus::IObject&)>& extend)
    : calls_(std::move(calls)), object_(sdbus::createObject(connection, bus::kManagerPath)) {
  const char* i = bus::kManagerInterface;
  object_->registerProperty("Monitors").onInterface(i).withGetter([this] { return calls_.monitors(); });
  object_->registerSignal("MonitorAdded").onInterface(i).withParameters<sdbus::ObjectPath>("monitor");
  object_->registerSignal("MonitorRemoved").onInterface(i).withParameters<sdbus::ObjectPath>("monitor");
  object_->registerMethod("FindMonitor")
      .onInterface(i)
      .withInputParamNames("key")
      .withOutputParamNames("monitor")
      .implementedAs([this](sdbus::Result<sdbus::ObjectPath>&& result, const std::string& key) {
        auto shared = std::make_shared<sdbus::Result<sdbus::ObjectPath>>(std::move(result));
        calls_.find(key, [shared, key](const FindResult& found) {
          if (found.path) {
            shared->returnResults(*found.path);
          } else if (!found.ambiguous.empty()) {
            shared->returnError(serviceError(
                bus::kAmbiguous, catalogue::shownInput(key) + " names more than one monitor: " +
                                     found.ambiguous[0] + " and " + found.ambiguous[1] + "; choose by Id"));
          } else {
            shared->returnError(serviceError(
                bus::kNoSuchMonitor, "no monitor has the Id, USB serial, serial number or asset tag " +
                                         catalogue::shownInput(key)));
          }
        });
      });
  object_->registerMethod("DescribeSettings")
      .onInterface(i)
      .withOutputParamNames("settings")
      .implementedAs([] { return describeSettings(); });
  if (extend) extend(*object_);
  object_->finishRegistration();
}

ManagerObject::~ManagerObject() { object_->unregister(); }

void ManagerObject::monitorAdded(const std::string& path) {
  object_->emitSignal("MonitorAdded")
      .onInterface(bus::kManagerInterface)
      .withArguments(sdbus::ObjectPath(path));
  object_->emitPropertiesChangedSignal(bus::kManagerInterface, {"Monitors"});
}

void ManagerObject::monitorRemoved(const std::string& path) {
  object_->emitSignal("MonitorRemoved")
      .onInterface(bus::kManagerInterface)
      .withArguments(sdbus::ObjectPath(path));
  object_->emitPropertiesChangedSignal(bus::kManagerInterface, {"Monitors"});
}

}  // namespace vemod
