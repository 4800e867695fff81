// Firmware updates of the RVX48 and RVX64 on the bench, end to end through the
// block bootloader host and the bench chip's bootloader: the encoder runs the
// carried image afterwards, and the record (with today's date), the resolution
// and the node address survive, also when an attempt fails and is retried.
#include "encoder_bench.h"
#include "encoders/Registry.h"
#include "encoders/rvx48/RVX48.h"
#include "encoders/rvx64/RVX64.h"
#include "sim/models/rvx48/Rvx48.h"
#include "sim/models/rvx64/Rvx64.h"

namespace {

using namespace std::chrono;
using Mode = sim::BlockBootloader::Mode;
using Options = std::map<std::string, std::string>;

std::uint16_t today() {
    return static_cast<std::uint16_t>((floor<days>(system_clock::now()) - sys_days{2000y / 1 / 1}).count());
}

class BlockReflash : public ReflashBench<sim::BlockEncoder> {
protected:
    // Nothing in between: the application runs, or the bootloader waits.
    void expectSettled(std::size_t index) {
        const auto& line = bench->module(index).line();
        EXPECT_FALSE(line.rts);
        EXPECT_FALSE(line.breakOn);
        const auto mode = device(index).bootloader().mode();
        EXPECT_TRUE(mode == Mode::Bootloader || mode == Mode::Application) << static_cast<int>(mode);
    }
};

// A failed attempt leaves the encoder in its application or in its bootloader,
// and the retry ends as an update without fault does: the settings read before
// the first attempt are written back, even when the failure took the
// application (and with it the record) or left the image's default address;
// an RVX64 runs the image of its variant and keeps its own node address, even
// one the window would not offer.
TEST_F(BlockReflash, EachFaultThenARetryEndsWithTheEncodersOwnSettings) {
    const Options faults[] = {
        {{"late", "5"}},  {{"babble", "30"}},    {{"cr", ""}},          {{"nak", "0"}, {"nakcmd", "b"}},
        {{"nak", "40"}},  {{"powerloss", "20"}}, {{"stuck", "0x0125"}}, {{"shortread", "40"}},
        {{"nonhex", ""}},
    };
    for (const auto& fault : faults) {
        for (const std::string model : {"RVX48", "RVX64"}) {
            SCOPED_TRACE(model + " " + fault.begin()->first);
            auto options = fault;
            options.insert({{"datecode", "4025"}, {"station", "0x22"}, {"res", "2"}, {"address", "0x15"}});
            if (model == "RVX64") options.insert({{"variant", "B"}, {"fw", "6"}});
            auto& module = addEncoder(model, options);
            const auto index = lastIndex();
            const auto encoder = RVX::create_encoder(model, index);

            EXPECT_ANY_THROW(encoder->update_firmware(record));
            expectSettled(index);
            EXPECT_EQ(module.line().baud, model == "RVX48" ? 115200u : 2000000u);
            EXPECT_EQ(module.line().dtr, model == "RVX48");

            device(index).bootloader().faults() = {};
            encoder->update_firmware(record);
            // The application runs the carried image (the program memory checks are the block host's).
            EXPECT_TRUE(device(index).applicationRunning());
            if (model == "RVX48") {
                EXPECT_EQ(device(index).firmware()->get("version"), 4u);
                EXPECT_EQ(module.device<sim::Rvx48>().record(),
                          (sim::Rvx48Record{0xA5, 40, 25, 0x22, today()}));
                EXPECT_EQ(encoder->get_resolution(), 250);
            } else {
                auto& rvx64 = module.device<sim::Rvx64>();
                EXPECT_EQ(rvx64.firmware()->get("variant"), 2u);
                EXPECT_EQ(encoder->firmware_version(), 7);
                EXPECT_EQ(rvx64.nodeAddress(), 0x15);
                EXPECT_EQ(rvx64.record(),
                          (std::array<std::uint8_t, 6>{0xB3, 40, 25, 0x22, static_cast<std::uint8_t>(today()),
                                                       static_cast<std::uint8_t>(today() >> 8)}));
            }
        }
    }
}

TEST_F(BlockReflash, Rvx64WritesItsAddressBackEvenWhenTheRecordCannotBeWritten) {
    auto& module = addEncoder("RVX64", {{"address", "0x2C"}});
    RVX::RVX64 encoder(0);
    auto& rvx64 = module.device<sim::Rvx64>();
    rvx64.scriptReply("C", "!\n");
    const auto e = thrownBy([&] { encoder.update_firmware(record); });
    EXPECT_STREQ(e.what(), "Unable to write RVX64 EEPROM");
    EXPECT_EQ(rvx64.nodeAddress(), 0x2C);
    encoder.update_firmware(record);
    EXPECT_EQ(rvx64.nodeAddress(), 0x2C);
    EXPECT_EQ(encoder.last_program_date(), sys_days{2000y / 1 / 1} + days{today()});
}

// When the module fails while the bootloader does not answer, neither the
// reset nor the return to the application's line settings can be made; the
// caller still learns what went wrong first.
TEST_F(BlockReflash, Rvx48PassesOnTheFirstFailureWhenTheLineCannotBePutBack) {
    auto& module = addEncoder("RVX48", {{"late", "1"}});
    RVX::RVX48 encoder(0);
    const StatusCallback failing = [&](const std::string& line) {
        if (line.starts_with("device/rev")) module.failCalls(FTDI::IO_ERROR, 0, 0);
    };
    EXPECT_STREQ(thrownBy<hexldr::Exception>([&] { encoder.update_firmware(failing); }).what(),
                 "ID response error");
}

} // namespace
