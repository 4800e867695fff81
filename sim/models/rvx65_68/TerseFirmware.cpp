#include "TerseFirmware.h"

#include "tools/lib/FirmwareParameters.h"

#include <vector>

namespace sim {

namespace {
// Where the application starts and where its parameter block lies, in the
// chip's address units.
constexpr std::uint32_t entry = 0x0040, parameterBlock = 0x0400;
constexpr std::uint32_t retlw = 0x3400; // PIC16: RETLW k, one byte per word
} // namespace

void installTerseFirmware(PicChip& chip, std::uint32_t bootloaderStart, const TerseFirmware& firmware) {
    chip.installApplication(bootloaderStart, entry);
    const auto bytes = fwparams::encode({firmware.model,
                                         {{"version", firmware.version},
                                          {"bits", firmware.bits},
                                          {"multiturn", firmware.multiTurn ? 1u : 0u},
                                          {"zero", firmware.zero ? 1u : 0u},
                                          {"baud", firmware.baud}}});
    if (chip.part().family == PicFamily::PIC16) {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            chip.setFlashWord(parameterBlock + static_cast<std::uint32_t>(i), retlw | bytes[i]);
        return;
    }
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const std::uint32_t low = bytes[i], high = i + 1 < bytes.size() ? bytes[i + 1] : 0xFF;
        chip.setFlashWord(parameterBlock + static_cast<std::uint32_t>(i), low | high << 8);
    }
}

std::optional<TerseFirmware> readTerseFirmware(const PicChip& chip) {
    const auto& part = chip.part();
    auto flash = chip.flashBytes(part.flashStart, part.flashEnd);
    if (part.family == PicFamily::PIC16) {
        // The bytes of the RETLW words only; other words count as 0.
        std::vector<std::uint8_t> table(flash.size() / 2);
        for (std::size_t i = 0; i < table.size(); ++i)
            table[i] = (flash[2 * i + 1] & 0x3F) == (retlw >> 8) ? flash[2 * i] : 0;
        flash = std::move(table);
    }
    const auto found = fwparams::decode(flash);
    if (!found) return std::nullopt;
    return TerseFirmware{found->model,
                         static_cast<std::uint8_t>(found->get("version")),
                         static_cast<std::uint8_t>(found->get("bits")),
                         found->get("multiturn") == 1,
                         found->get("zero") == 1,
                         found->get("baud")};
}

} // namespace sim
