// The library and the device model put back as they are at load, so that
// one test, input or benchmark never sees what the last one left.
#pragma once

namespace vemo::test {

// Disconnected, no bridge selected, log off and closed, the error registry
// empty and FeatureData as at load.
void resetLibrary();

// The virtual HID bus empty and its count of enumerations at zero.
void resetVirtualBus();

}  // namespace vemo::test
