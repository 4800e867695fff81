#pragma once
// The absolute encoders of the terse dialect (RVX65, RVX68, RVX62, RVX69) as
// they behave on their UART: a PIC with the AN1310 bootloader, running
// firmware that answers reads with the values alone and a line feed.
//
// - "e" + address + count reads one or two EEPROM bytes; "u" + address + two
//   digits stores the digits as a byte (the RVX65/68 acknowledge with a line
//   feed once it is stored, the RVX62/69 say nothing). Storing takes the
//   chip's EEPROM write time; one further byte may wait meanwhile, a second
//   one is lost.
// - "x" gives the 14-bit position of a turning shaft (a 12-bit firmware reads
//   its two lowest bits as 0). The RVX65/68 report it raw, their host
//   subtracts the zero offset at 0xF8; the RVX62/69 subtract it themselves and
//   add two check bits on top. "z" gives the signed turns of a multi-turn
//   firmware. "0" stores the present raw position as the zero offset
//   (firmware with zero only); "Q" is taken and needs no answer.
// - What the encoder runs comes from its flash: after a re-flash the version,
//   bits, multi-turn, zero and RS-485 rate are those of the image's parameter
//   block; EEPROM is the chip's own, so a re-flash replaces it with the
//   image's defaults. The rate is the image's, or for an image without one
//   that of the index at 0x83.
#include "TerseFirmware.h"
#include "sim/pic/BootloadedApplication.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// One part: its code at 0x79 and the firmware the factory gave it.
struct TersePart {
    const char* partNumber;
    std::uint8_t modelCode;
    std::uint8_t bits;
    bool multiTurn;
    bool zero;
    std::uint32_t baud; // RS-485 rate; 0 for the models without one
    std::uint8_t version;
};

// What differs between the four models on the bench.
struct TerseModel {
    const char* name;
    const char* images;           // the model name of the images it runs
    const char* chip;             // a PicPart name
    std::vector<TersePart> parts; // the first is the default part
    bool acknowledgesWrites;
    bool checkedPosition; // check bits in "x", the zero offset applied by the encoder
};

// The options every model of these lines takes, for the catalogue's summaries.
#define TERSE_LINE_OPTIONS                                                                                   \
    "part, fw, code, datecode, station, address, zero, baudindex, rpm, shaft, turns, blank, ack, badcheck, " \
    "eewrite, boot, worn, wornee"

class TerseEncoder final : public BootloadedApplication {
public:
    static constexpr std::uint16_t countsPerTurn = 16384;
    // The RS-485 rates by the index at 0x83.
    static const std::vector<std::uint32_t> baudRates;

    // Options: part (a part number of the model), fw (firmware version), code
    // (any model code, overriding the part's), datecode, station, address
    // (0xC0), zero (the offset at 0xF8), baudindex (0x83), rpm, shaft (counts
    // at time 0), turns (at time 0), blank=1 (an EEPROM never written),
    // ack=BYTE (writes acknowledged with that byte instead of a line feed),
    // badcheck=1 (wrong check bits), eewrite=MICROS (the time to store one EEPROM
    // byte; the chip's own by default), and those of every bootloaded
    // application.
    TerseEncoder(const TerseModel& model, const ModelOptions& options = {});

    void opened(Port& port) override;

    // A slow EEPROM: storing one byte takes this long.
    void setStoreTime(std::chrono::microseconds time) { storeTime_ = time; }

    std::uint16_t eepromWord(std::uint8_t address) const {
        return static_cast<std::uint16_t>(eeprom(address) << 8 |
                                          eeprom(static_cast<std::uint8_t>(address + 1)));
    }
    // The firmware running now; empty while the flash holds no application.
    const std::optional<TerseFirmware>& firmware() const { return firmware_; }
    bool applicationRunning() const override;
    // The RS-485 rate the encoder runs at (0 when it has none).
    std::uint32_t rs485Baud() const;
    // EEPROM writes that came while the encoder was busy storing and were lost.
    std::uint32_t lostWrites() const { return lostWrites_; }
    // The shaft: counts within the turn and whole turns.
    std::uint16_t shaftAt(Clock::time_point now) const;
    std::int64_t turnsAt(Clock::time_point now) const;

private:
    void applicationStarted() override;
    void chipReset() override { storing_.clear(); }
    void handle(Port& port) override;
    void answer(Port& port, const std::string& command, const std::string& reply, Clock::time_point at);
    // Starts storing a byte; the time it is stored, or nothing when it is lost.
    std::optional<Clock::time_point> store(std::uint8_t address, std::uint8_t value, Clock::time_point now);
    Clock::time_point idleAt(Clock::time_point now) const;
    std::uint16_t positionReply(Clock::time_point now) const;
    double turnsSinceOpened(Clock::time_point now) const;
    double countsAt(Clock::time_point now) const; // within the turn, plus the shaft's start

    const TerseModel& model_;
    std::optional<TerseFirmware> firmware_;
    std::deque<Clock::time_point> storing_; // when each byte being stored or waiting is done
    std::uint32_t lostWrites_ = 0;
    std::optional<Clock::time_point> epoch_;
    std::chrono::microseconds storeTime_;
    double rpm_ = 30;
    std::uint16_t shaft_ = 0;
    std::int64_t turns_ = 0;
    std::uint8_t ack_ = '\n';
    bool badCheck_ = false;
};

} // namespace sim
