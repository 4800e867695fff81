#pragma once
// Block bootloader host: re-flashes the encoders that carry the simple block
// bootloader (hexldr::programImage), with the command exchange, block
// read-back and verification it is built from, and hexldr::Exception.
#include "blockloader/Exception.h"
#include "blockloader/Hexldr.h"
