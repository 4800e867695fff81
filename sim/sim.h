#pragma once
// The simulated bench: virtual RVX-LINK modules, their line model, fault
// injection and counters, and the encoder models that sit on them.
#include "Bench.h"
#include "Catalog.h"
#include "Device.h"
#include "Loopback.h"
#include "blockloader/BlockBootloaderDevice.h" // a chip with the block bootloader, for models to embed
#include "pic/PicBootloaderDevice.h"           // a PIC with the AN1310 bootloader, for models to embed
