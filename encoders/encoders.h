#pragma once
// The encoder drivers: the RVX::Encoder interface every model implements, the
// registry of models (what the window offers and how each is reached), the
// ASCII command dialects, the AN1310 and block-bootloader re-flash procedures
// with the block models' configuration record, the firmware set,
// and one folder per driver family with its driver, part table and image keys.
#include "encoders/An1310Reflash.h"
#include "encoders/AsciiCommands.h"
#include "encoders/BlockReflash.h"
#include "encoders/ConfigRecord.h"
#include "encoders/EchoingDialect.h"
#include "encoders/Encoder.h"
#include "encoders/FirmwareSet.h"
#include "encoders/PartLookup.h"
#include "encoders/Pictures.h"
#include "encoders/Registry.h"
#include "encoders/TerseDialect.h"
#include "encoders/TerseLine.h"
#include "encoders/rvx46_47/RVX46_47.h"
#include "encoders/rvx48/RVX48.h"
#include "encoders/rvx62_69/RVX62_69.h"
#include "encoders/rvx63/RVX63.h"
#include "encoders/rvx64/RVX64.h"
#include "encoders/rvx65_68/RVX65_68.h"
#include "encoders/rvx84_86/RVX84_86.h"
