#pragma once
// devices.db: where it is, and reading one device's record from it.
#include "Device.h"

#include <filesystem>

namespace AN1310 {

// The working directory's devices.db, else the one beside the executable,
// else (an installed program) the one in the data folder; empty when none.
std::filesystem::path findDeviceDatabase();

enum LookupResult : int { DeviceFound = 0, NoDatabase = 1, NoSuchDevice = 2 };

// Fills `device` (reset first) from the database; Family::Any matches any.
// SQLite failures propagate as SQLite::Exception.
int lookupDevice(Device& device, std::uint32_t deviceId, Family family);

} // namespace AN1310
