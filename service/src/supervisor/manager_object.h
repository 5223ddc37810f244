// /org/vemo/Monitors1: the list of monitors, finding one, and the catalogue.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vemod {

// The monitor a key names, or none; `ambiguous` holds the Ids of the
// monitors a key names when it names more than one.
struct FindResult {
  std::optional<sdbus::ObjectPath> path;
  std::vector<std::string> ambiguous;
};

struct ManagerCalls {
  std::function<std::vector<sdbus::ObjectPath>()> monitors;
  std::function<void(const std::string& key, std::function<void(const FindResult&)> done)> find;
};

class ManagerObject {
 public:
  // `extend` adds further members (the automation's) before the object is published.
  ManagerObject(sdbus::IConnection& connection, ManagerCalls calls,
                const std::function<void(sdbus::IObject&)>& extend = {});
  ~ManagerObject();

  void monitorAdded(const std::string& path);
  void monitorRemoved(const std::string& path);

 private:
  ManagerCalls calls_;
  std::unique_ptr<sdbus::IObject> object_;
};

}  // namespace vemod
