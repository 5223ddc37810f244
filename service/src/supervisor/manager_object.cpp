#include "service/src/supervisor/manager_object.h"

#include "service/src/bus_names.h"
#include "service/src/supervisor/values.h"

namespace vemod {

ManagerObject::ManagerObject(sdbus::IConnection& connection, ManagerCalls calls,
                             const std::function<void(sdbus::IObject&)>& extend)
    : calls_(std::move(calls)), object_(sdbus::createObject(connection, kManagerPath)) {
  const char* i = kManagerInterface;
  object_->registerProperty("Monitors").onInterface(i).withGetter([this] { return calls_.monitors(); });
  object_->registerSignal("MonitorAdded").onInterface(i).withParameters<sdbus::ObjectPath>("monitor");
  object_->registerSignal("MonitorRemoved").onInterface(i).withParameters<sdbus::ObjectPath>("monitor");
  object_->registerMethod("FindMonitor")
      .onInterface(i)
      .withInputParamNames("key")
      .withOutputParamNames("monitor")
      .implementedAs([this](const std::string& key) {
        std::optional<sdbus::ObjectPath> path = calls_.find(key);
        if (!path)
          throw serviceError(kNoSuchMonitor,
                             "no monitor has the Id, USB serial, serial number or asset tag '" + key + "'");
        return *path;
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
  object_->emitSignal("MonitorAdded").onInterface(kManagerInterface).withArguments(sdbus::ObjectPath(path));
  object_->emitPropertiesChangedSignal(kManagerInterface, {"Monitors"});
}

void ManagerObject::monitorRemoved(const std::string& path) {
  object_->emitSignal("MonitorRemoved").onInterface(kManagerInterface).withArguments(sdbus::ObjectPath(path));
  object_->emitPropertiesChangedSignal(kManagerInterface, {"Monitors"});
}

}  // namespace vemod
