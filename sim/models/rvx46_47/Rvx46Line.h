#pragma once
// The RVX46, RVX47, RVX84 and RVX86 encoders as they behave on their UART:
// a PIC with the AN1310 bootloader, running firmware that speaks the echoing
// ASCII dialect. Every command comes back echoed, then "= ", the values and
// CR LF "$". After a reset the encoder answers "q" with its handshake and has
// no position ("FFAF") for its first few polls. The shaft turns at a set speed
// on the bench clock. A data acquisition ("d") samples the coarse and fine
// sine/cosine channels into RAM banks 3 and 4 in millivolts.
//
// What the encoder runs comes from its flash: after a re-flash the firmware
// version, resolution, pole count and direction are those of the image's
// parameter block. EEPROM is the chip's own, so a re-flash replaces it with the
// image's defaults.
#include "sim/pic/BootloadedApplication.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// One part of a model: the code its EEPROM carries at 0x79.
struct Rvx46LinePart {
    const char* partNumber;
    std::uint8_t modelCode;
};

// What differs between the four models on the bench.
struct Rvx46LineModel {
    const char* name;
    std::vector<Rvx46LinePart> parts; // the first is the default part
    std::uint8_t latestFirmware;
    bool commutation; // RVX84/RVX86: pole count and direction
};

// The firmware the encoder runs, as its flash describes it.
struct RunningFirmware {
    std::uint8_t version = 0;
    std::uint16_t resolution = 0;
    std::uint8_t poles = 0;
    bool counterClockwise = false;
    std::string model;
};

// The options every model of the line takes, for the catalogue's summaries.
#define RVX46_LINE_OPTIONS                                                                                   \
    "part, fw, code, res, datecode, station, errors, blocks, checks, nopos, rpm, shaft, boot, worn, "        \
    "wornee, "                                                                                               \
    "offset"

class Rvx46Line final : public BootloadedApplication {
public:
    static constexpr std::uint16_t countsPerTurn = 16384;

    // Options: part (a part number of the model), fw (firmware version), code
    // (any model code, overriding the part's), res, poles, ccw=0|1,
    // datecode, station, errors/blocks/checks (flag bytes 0x8B, 0x8C, 0xF1),
    // nopos (polls without a position after a reset), rpm, shaft (counts at time 0),
    // offset=MV (the sine channel's bias off by MV millivolts, as a sensor with
    // an offset fault), and those of every bootloaded application.
    Rvx46Line(const Rvx46LineModel& model, const ModelOptions& options = {});
    static const Rvx46LineModel rvx46, rvx47, rvx84, rvx86;

    void opened(Port& port) override;

    void setNoPositionPolls(int polls) { noPositionPolls_ = polls; }

    // The firmware running now; empty while the flash holds no application.
    const std::optional<RunningFirmware>& firmware() const { return firmware_; }
    std::uint16_t positionAt(Clock::time_point now) const;
    bool applicationRunning() const override;

private:
    void applicationStarted() override;
    void handle(Port& port) override;
    void acquire(Clock::time_point now);
    std::uint16_t shaftAt(Clock::time_point now) const;

    const Rvx46LineModel& model_;
    std::optional<RunningFirmware> firmware_;
    std::array<std::array<std::uint8_t, 256>, 5> ram_{};
    int noPositionPolls_ = 3;
    int pollsSinceReset_ = 0;
    bool zeroArmed_ = false;
    double rpm_ = 30;
    std::uint16_t shaft_ = 0;
    std::uint16_t latched_ = 0;
    std::uint32_t acquisitions_ = 0;
    int sineOffsetMv_ = 0;
};

} // namespace sim
