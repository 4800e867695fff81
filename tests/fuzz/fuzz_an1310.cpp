// The AN1310 host's receive path: a whole re-flash as the drivers run it
// (information block, device ID, erase, write and EEPROM replies, the raw
// CRC replies of the verify, PIC24 vector-table reads) against a bootloader
// whose replies are the fuzzer's. The first byte picks the image (one per
// bootloader family), the rest is the reply script.
#include "AN1310/BootloadSession.h"
#include "Images.h"
#include "Script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto& images = fuzz::bootloaderImages();
    const std::string& image = images[data[0] % images.size()];
    fuzz::OneModuleBench bench(std::make_unique<fuzz::ScriptedUart>(std::span(data + 1, size - 1)));
    fuzz::asTheWindowWould([&] {
        // The line as the drivers leave it for their re-flash.
        FTDI::UartLink link(0);
        link.setBaudRate(115200);
        link.setTimeouts(300, 300);
        AN1310::reflash(link, image, [](const std::string&) {});
    });
    return 0;
}
