#pragma once
// The AN1310 bootloader host: re-flashes a PIC microcontroller through its
// serial bootloader. Drivers call AN1310::reflash (or drive a BootloadSession
// step by step); the layers below are the packet channel (Comm), the device
// database, the HEX import and the flash reader, writer and verifier.
#include "AN1310/BootloadSession.h"
#include "AN1310/Comm.h"
#include "AN1310/Crc16.h"
#include "AN1310/Device.h"
#include "AN1310/DeviceData.h"
#include "AN1310/DeviceDatabase.h"
#include "AN1310/DeviceReader.h"
#include "AN1310/DeviceVerifier.h"
#include "AN1310/DeviceWriter.h"
#include "AN1310/Exceptions.h"
#include "AN1310/Frame.h"
#include "AN1310/HexImport.h"
#include "AN1310/Log.h"
#include "AN1310/WritePlanner.h"
