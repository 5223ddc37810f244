// A monitor link that connects at its first use, so that a command checks
// its arguments before it reaches for a monitor.
#pragma once

#include <functional>
#include <memory>

#include "tools/vemoctl/backends/monitor_link.h"

namespace vemoctl {

class LazyLink : public MonitorLink {
 public:
  explicit LazyLink(std::function<std::unique_ptr<MonitorLink>()> open) : open_(std::move(open)) {}

  Readout read(const Setting& setting) override { return link().read(setting); }
  Outcome write(const Setting& setting, const Value& value) override { return link().write(setting, value); }
  Outcome adjust(const Setting& setting, int delta, unsigned& written) override {
    return link().adjust(setting, delta, written);
  }
  Outcome reset(const std::string& group) override { return link().reset(group); }
  const ModelChoices& choices() override { return link().choices(); }

 private:
  MonitorLink& link() {
    if (!link_) link_ = open_();
    return *link_;
  }

  std::function<std::unique_ptr<MonitorLink>()> open_;
  std::unique_ptr<MonitorLink> link_;
};

}  // namespace vemoctl
