#pragma once
// Programming-module transport: the UART and SPI links to an RVX-LINK module,
// the device listings, FTDI::Exception, and the platform layer underneath
// (libftdi1 for real modules, or the simulated bench).
#include "FtdiException.h"
#include "FtdiPlatform.h"
#include "SpiLink.h"
#include "UartLink.h"
