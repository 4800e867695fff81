// The block bootloader host: a whole re-flash (identification, unlock, block
// writes, the application vector and the block read-backs of the verify)
// against a bootloader whose replies are the fuzzer's. The first byte picks
// the image's size, one to four blocks; the rest is the reply script.
#include "Images.h"
#include "Script.h"
#include "blockloader/Hexldr.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto image = fuzz::blockImage(1 + data[0] % 4);
    fuzz::OneModuleBench bench(std::make_unique<fuzz::ScriptedUart>(std::span(data + 1, size - 1)));
    fuzz::asTheWindowWould([&] {
        // The line as the drivers set it for the bootloader.
        FTDI::UartLink link(0);
        link.setBaudRate(2000000);
        link.setTimeouts(300, 300);
        hexldr::programImage(link, image, [](const std::string&) {});
    });
    return 0;
}
