// vemoctl settings: the catalogue of settings, which needs no monitor.
#include <iostream>

#include "catalogue/description.h"
#include "tools/vemoctl/commands/commands.h"
#include "tools/vemoctl/output/printing.h"

namespace vemoctl {

int runSettings(const GlobalOptions& options) {
  if (options.json) {
    printJson(describeSettings());
    return kOk;
  }
  for (const Setting& setting : catalogue()) {
    std::cout << padded(setting.name, 25) << padded(kindName(setting.kind), 14) << acceptedOrReadOnly(setting)
              << '\n';
  }
  return kOk;
}

}  // namespace vemoctl
