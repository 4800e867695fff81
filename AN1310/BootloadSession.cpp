#include "BootloadSession.h"

#include "DeviceDatabase.h"
#include "Exceptions.h"
#include "HexImport.h"

#include <chrono>
#include <fmt/format.h>
#include <streambuf>

namespace AN1310 {

namespace {
// An input stream over characters kept elsewhere, without copying them.
class SpanBuffer : public std::streambuf {
public:
    explicit SpanBuffer(std::span<const char> text) {
        auto* begin = const_cast<char*>(text.data());
        setg(begin, begin, begin + text.size());
    }
};

std::int64_t millisSince(FTDI::Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(FTDI::now() - start).count();
}

constexpr const char* noGotoFamily2 =
    "The first four instructions do not appear to contain a valid\ninstruction sequence for bootloader "
    "compatibility.\n\nPlease modify your firmware to start by jumping to your main code:\n \tMOVLW\t"
    "HIGH(MainApplication)\n \tMOVWF\tPCLATH\n \tGOTO\tMainApplication\n MainApplication:\n "
    "\t(...)\n\nWithout "
    "the jump sequence, the bootloader firmware will not be able\nto execute your application firmware.";

constexpr const char* noGoto =
    "The first instruction does not appear to be a GOTO instruction.\n\nPlease modify your firmware to have "
    "a "
    "GOTO as the first instruction\nat address 0. Without the GOTO, bootloader firmware will not be able\nto "
    "execute your application firmware.";
} // namespace

BootloadSession::BootloadSession(UartLink& link)
    : link_(link), comm_(link), device_(std::make_unique<Device>()), planner_(device_.get()),
      reader_(device_.get(), &comm_), writer_(device_.get(), &comm_), verifier_(device_.get(), &comm_) {}

void BootloadSession::connect() {
    statusLog("Connecting...");
    auto info = comm_.readBootInfo(2);
    if (!info.answered()) {
        comm_.startBreak();
        comm_.holdReset();
        statusLog("Resetting device...");
        FTDI::sleepMs(5);
        comm_.releaseIntoBootloader();
        info = comm_.readBootInfo(10);
        if (!info.answered()) throw OtherException("Bootloader not found");
    }
    statusLog(fmt::format("Bootloader Firmware v{}.{:02}", info.majorVersion, info.minorVersion));

    DeviceIdentity id{info.deviceId, 0};
    bool revisionKnown = false;
    if (id.deviceId == 0) {
        id = comm_.readDeviceId(info.familyId);
        revisionKnown = true;
    }

    Device& device = *device_;
    switch (lookupDevice(device, id.deviceId, info.familyId)) {
    case NoDatabase:
        throw OtherException(
            "Couldn't find device database file. Please copy DEVICES.DB to the executable's folder.");
    case NoSuchDevice:
        throw OtherException(fmt::format("Couldn't find Device ID {} in the device database.", id.deviceId));
    default:
        break;
    }
    device.bootloaderStart = info.bootloaderStart;
    device.bootloaderEnd = info.bootloaderEnd;
    device.capabilities = info.capabilities;
    // The memory images have fixed sizes; a larger part would lose data.
    if (!fitsMemoryImage(device))
        throw OtherException(
            fmt::format("Device {} does not fit the programmer's memory image.",
                        device.partName.empty() ? std::to_string(id.deviceId) : device.partName));

    const auto perSecond = link_.baudRate() / 8;
    reader_.setMaxRead(static_cast<int>(std::max<std::uint32_t>(perSecond / 256 * 256, 256)));

    std::string line = device.partName.empty() ? fmt::format("Device {}", id.deviceId) : device.partName;
    if (revisionKnown) line += fmt::format(" Revision {:X}", id.revision);
    statusLog(line);
}

void BootloadSession::loadImage(std::istream& hex) {
    // A load that fails leaves no image behind, not a half-imported one.
    hexImage_.reset();
    DeviceData image(device_.get());
    if (!importHex(image, hex)) throw OtherException("Could not parse hex file");
    const Device& device = *device_;
    if (device.bootloaderStart != 0) {
        if (!hasResetGoto(device, image))
            warningLog(device.familyId == Family::PIC16 ? noGotoFamily2 : noGoto);
        remapResetVector(device, image);
    }
    if (device.familyId == Family::PIC24) remapInterruptVectors(reader_, image);
    hexImage_ = std::move(image);
}

const DeviceData& BootloadSession::hexImage() const {
    if (!hexImage_) throw OtherException("No firmware image loaded");
    return *hexImage_;
}

void BootloadSession::erase() {
    const auto start = FTDI::now();
    for (const auto& range : planner_.eraseList()) {
        statusLog(fmt::format("Erasing ({:X} to {:X}]", range.end, range.start));
        writer_.erase(range.start, range.end);
    }
    statusLog(fmt::format("Erase device complete ({}ms)", millisSince(start)));
}

std::uint32_t BootloadSession::flashWriteEnd() const {
    const Device& device = *device_;
    return device.configInsideFlash() ? device.flashEnd - device.eraseBlockSize : device.flashEnd;
}

void BootloadSession::write() {
    const Device& device = *device_;
    const DeviceData& image = hexImage();
    const auto flashStarted = FTDI::now();
    writer_.writeFlash(image, device.flashStart, flashWriteEnd());
    if (!verifier_.verify(image, device.flashStart, flashWriteEnd())) {
        if (!verifier_.rewriteNeeded().empty()) throw OtherException("Writing flash failed");
        if (!verifier_.eraseNeeded().empty()) writer_.eraseRanges(verifier_.eraseNeeded());
    }
    std::string summary = fmt::format("Write complete (FLASH {}ms", millisSince(flashStarted));

    if (device.hasEeprom()) {
        const auto eepromStarted = FTDI::now();
        writer_.writeEeprom(image.eeprom, device.eepromStart, device.eepromEnd);
        summary += fmt::format(", EEPROM {}ms", millisSince(eepromStarted));
    }
    statusLog(summary + ")");
}

std::optional<std::uint32_t> BootloadSession::codeInConfigBlock() const {
    const Device& device = *device_;
    const auto block = device.configEraseBlock();
    if (!block) return std::nullopt;
    const DeviceData& image = hexImage();
    for (auto a = block->start; a < block->end; a += device.addressUnitsPerInstruction()) {
        const bool configWord = a >= device.configStart && a < device.configEnd;
        if (!configWord && !image.isBlankAt(a)) return a;
    }
    return std::nullopt;
}

void BootloadSession::verify() {
    const Device& device = *device_;
    const DeviceData& image = hexImage();
    const auto flashStarted = FTDI::now();
    int flashFailures = 0;
    if (!verifier_.verify(image, device.flashStart, flashWriteEnd()))
        flashFailures = static_cast<int>(verifier_.eraseNeeded().size() + verifier_.rewriteNeeded().size());
    // The configuration block is never programmed, so the encoder cannot hold
    // an image with code there: that block fails as if it had been checked.
    if (const auto address = codeInConfigBlock()) {
        const auto block = *device.configEraseBlock();
        warningLog(fmt::format("The image has code at {:X} in the configuration block [{:X} - {:X}), "
                               "which is never programmed",
                               *address, block.start, block.end));
        ++flashFailures;
    }
    const auto flashMillis = millisSince(flashStarted);

    int eepromFailures = 0;
    std::int64_t eepromMillis = 0;
    if (device.hasEeprom()) {
        const auto eepromStarted = FTDI::now();
        // Read afresh on every verify: nothing left from an earlier read can pass.
        std::vector<std::uint32_t> readBack(DeviceData::eepromEntries, DeviceData::blankEepromWord);
        reader_.readEeprom(readBack, device.eepromStart, device.eepromEnd);
        eepromMillis = millisSince(eepromStarted);
        const auto locations = (device.eepromEnd - device.eepromStart) / device.eepromAddressStep;
        for (std::uint32_t i = 0; i < locations && i < readBack.size(); ++i)
            if ((image.eepromEntry(i) & 0xFF) != (readBack[i] & 0xFF)) ++eepromFailures;
    }

    if (flashFailures || eepromFailures) {
        std::string line = "Verify failed (";
        if (flashFailures) line += fmt::format("{} FLASH ", flashFailures);
        if (flashFailures && eepromFailures) line += ", ";
        if (eepromFailures) line += fmt::format("{} EEPROM ", eepromFailures);
        warningLog(line + "failures)");
        throw OtherException(flashFailures ? "Verifying flash failed" : "Verifying EEPROM failed");
    }
    std::string line = fmt::format("Verify success (FLASH {}ms", flashMillis);
    if (device.hasEeprom()) line += fmt::format(", EEPROM {}ms", eepromMillis);
    statusLog(line + ")");
}

void BootloadSession::runApplication() {
    comm_.endBreak();
    comm_.holdReset();
    FTDI::sleepMs(5);
    comm_.releaseReset();
    FTDI::sleepMs(200);
    link_.purge(FTDI::PURGE_RX);
}

void BootloadSession::run(std::span<const char> hex, const StepHook& beforeStep) {
    const auto before = [&](Step step) {
        if (beforeStep) beforeStep(step);
    };
    SpanBuffer buffer(hex);
    std::istream stream(&buffer);
    before(Step::Connect);
    connect();
    loadImage(stream);
    before(Step::Erase);
    erase();
    before(Step::Write);
    write();
    before(Step::Verify);
    verify();
    runApplication();
}

void reflash(UartLink& link, std::span<const char> hex, const LogSink& status) {
    SessionLogs logs(status);
    BootloadSession session(link);
    session.run(hex);
}

} // namespace AN1310
