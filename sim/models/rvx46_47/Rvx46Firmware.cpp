#include "Rvx46Firmware.h"

#include "tools/lib/FirmwareParameters.h"

#include <algorithm>
#include <stdexcept>

namespace sim {

PicPart rvx46LinePart() {
    const PicPart* part = findPicPart("PIC18F2620");
    if (!part) throw std::logic_error("the bench lacks the PIC18F2620");
    return *part;
}

void installFirmware(PicChip& chip, std::uint32_t bootloaderStart, const RunningFirmware& firmware) {
    const auto& part = chip.part();
    // Some code at the application's entry, the parameter block after it, and
    // the application's start jump saved just below the bootloader.
    constexpr std::uint32_t entry = 0x0100, block = 0x0400;
    std::uint32_t code = 0x2F41u + firmware.resolution;
    for (std::uint32_t a = entry; a < block; a += part.unitsPerWord()) {
        code = code * 1103515245u + 12345u;
        chip.setFlashWord(a, ((code >> 8) & 0xFFFF) == 0xFFFF ? 0 : (code >> 8) & 0xFFFF);
    }
    const auto bytes = fwparams::encode({firmware.model,
                                         {{"version", firmware.version},
                                          {"resolution", firmware.resolution},
                                          {"poles", firmware.poles},
                                          {"ccw", firmware.counterClockwise ? 1u : 0u}}});
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const std::uint32_t low = bytes[i], high = i + 1 < bytes.size() ? bytes[i + 1] : 0xFF;
        chip.setFlashWord(block + static_cast<std::uint32_t>(i), low | high << 8);
    }
    const auto target = entry / 2;
    chip.setFlashWord(bootloaderStart - 4, 0xEF00 | (target & 0xFF));
    chip.setFlashWord(bootloaderStart - 2, 0xF000 | ((target >> 8) & 0xFFF));
}

std::optional<RunningFirmware> readFirmware(const PicChip& chip) {
    const auto& part = chip.part();
    const auto flash = chip.flashBytes(part.flashStart, part.flashEnd);
    const auto found = fwparams::decode(flash);
    if (!found) return std::nullopt;
    return RunningFirmware{static_cast<std::uint8_t>(found->get("version")),
                           static_cast<std::uint16_t>(found->get("resolution")),
                           static_cast<std::uint8_t>(found->get("poles")), found->get("ccw") == 1,
                           found->model};
}

} // namespace sim
