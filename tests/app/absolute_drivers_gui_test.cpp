// The main window with the real RVX65, RVX62 and RVX69 drivers on the bench's
// encoders, picked in the real selection dialog: the address and baud-rate
// rows, the gauge, zero and the firmware update offer.
#include "RealDrivers.h"
#include "app/EncoderGauge.h"
#include "encoders/FirmwareSet.h"
#include "sim/models/rvx65_68/TerseEncoder.h"

#include <fmt/format.h>
#include <wx/stattext.h>

namespace vantix::test {
namespace {

class AbsoluteDrivers : public RealDrivers {
protected:
    void SetUp() override {
        RealDrivers::SetUp();
        if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "the bench runs only the simulation images";
    }
    sim::TerseEncoder& add(const std::string& model, std::map<std::string, std::string> options) {
        return addEncoder<sim::TerseEncoder>(model, std::move(options));
    }
    int position() {
        tick();
        return frame->positionGauge()->value;
    }
    static std::string offer(int onEncoder, int latest) {
        return fmt::format("Encoder firmware update available\nFirmware version on encoder: 0x{:02X}\n"
                           "Latest firmware version available: 0x{:02X}\n\nUpdate to latest version?",
                           onEncoder, latest);
    }
};

TEST_F(AbsoluteDrivers, Rvx65WithASelectableRateProgramsAddressAndBaudRateAndZeroes) {
    auto& rvx65 = add("RVX65", {{"part", "RVX652F"},
                                {"address", "0x43"},
                                {"shaft", "5000"},
                                {"zero", "1000"},
                                {"datecode", "2219"}});
    connectTo("RVX65");
    EXPECT_EQ(heading(), "RVX652F\nFirmware: 0x1B - Date Code: 2219");
    EXPECT_EQ(rowLabel(0), "Address: ");
    EXPECT_EQ(rowSelection(0), 0x40 / 4);
    EXPECT_EQ(rowLabel(1), "Baud Rate: ");
    EXPECT_EQ(rowSelection(1), 0); // 115200
    EXPECT_EQ(rowLabel(2), "");
    EXPECT_TRUE(enabled(ID_ZERO));
    EXPECT_FALSE(frame->turnsLabel()->IsShown());
    EXPECT_EQ(frame->positionGauge()->counts, 16384);
    EXPECT_EQ(position(), 4000);

    select(0, "0x24");
    select(1, "9600 bps");
    click(ID_PROGRAM);
    EXPECT_EQ(rvx65.rs485Baud(), 9600u);
    EXPECT_EQ(rvx65.eeprom(0x83), 4);
    EXPECT_EQ(rvx65.eeprom(0xC0), 0x24);
    EXPECT_EQ(messages(), std::vector<std::string>{"Encoder programmed successfully"});
    EXPECT_EQ(progress.back(), "Setting RVX Encoder Baud Rate: " + done);
    EXPECT_EQ(position(), 4000); // the zero offset survived the re-flash
    click(ID_ZERO);
    EXPECT_EQ(position(), 0);
    EXPECT_EQ(messages().size(), 1u); // an absolute encoder is zeroed without a word

    // At 2000000 baud the encoder's rate is in no row: Program keeps it and
    // still writes the address.
    rvx65.setEeprom(0x83, 0);
    click(ID_CONNECT);
    connectTo("RVX65");
    EXPECT_EQ(rowSelection(1), wxNOT_FOUND);
    select(0, "0x30");
    const auto flashes = progress.size();
    click(ID_PROGRAM);
    EXPECT_EQ(rvx65.eeprom(0xC0), 0x30);
    EXPECT_EQ(rvx65.eeprom(0x83), 0);
    EXPECT_EQ(progress.size(), flashes);
    EXPECT_EQ(messages().back(), "Encoder programmed successfully");
}

TEST_F(AbsoluteDrivers, Rvx65MultiTurnPartIsUpdatedKeepsItsAddressAndCountsTurns) {
    auto& rvx65 = add("RVX65", {{"part", "RVX652D"}, {"fw", "0x15"}, {"turns", "-2"}, {"address", "0x08"}});
    ui->answers = {wxYES};
    connectTo("RVX65");
    EXPECT_EQ(messages(), std::vector<std::string>{offer(0x15, 0x16)});
    EXPECT_EQ(progress.back(), "Programming RVX Encoder: " + done);
    ASSERT_TRUE(rvx65.firmware());
    EXPECT_EQ(rvx65.firmware()->version, 0x16);
    EXPECT_EQ(rvx65.rs485Baud(), 2000000u);
    EXPECT_THAT(heading(), testing::EndsWith("\nFirmware: 0x16 - Date Code: 2024"));
    EXPECT_EQ(rowSelection(0), 2); // 0x08, kept across the update
    // A fixed rate has no row; turns replace zero.
    EXPECT_EQ(rowLabel(1), "");
    EXPECT_FALSE(enabled(ID_ZERO));
    position();
    EXPECT_TRUE(frame->turnsLabel()->IsShown());
    EXPECT_EQ(frame->turnsLabel()->GetLabel().utf8_string(), "Turns: -2");

    select(0, "0x0C");
    click(ID_PROGRAM);
    EXPECT_EQ(rvx65.eeprom(0xC0), 0x0C);
    EXPECT_EQ(messages().back(), "Encoder address set");
    click(ID_CONNECT); // disconnects
    EXPECT_FALSE(frame->turnsLabel()->IsShown());
}

TEST_F(AbsoluteDrivers, Rvx62AndRvx69ShowNoSettingsAndZeroWhereThePartCan) {
    auto& rvx62 =
        add("RVX62", {{"part", "RVX622A"}, {"fw", "0x03"}, {"shaft", "2000"}, {"datecode", "2107"}});
    add("RVX69", {{"code", "0x55"}, {"shaft", "1024"}});
    ui->moduleChoices = {0, 1};
    ui->answers = {wxYES};
    connectTo("RVX62");
    EXPECT_EQ(messages(), std::vector<std::string>{offer(0x03, 0x04)});
    EXPECT_EQ(rvx62.firmware()->version, 0x04);
    EXPECT_EQ(rowLabel(0), "");
    EXPECT_FALSE(enabled(ID_PROGRAM));
    EXPECT_TRUE(frame->positionGauge()->counterClockwise);
    EXPECT_EQ(position(), 500);
    click(ID_ZERO);
    EXPECT_EQ(position(), 0);

    click(ID_CONNECT);
    connectTo("RVX69");
    EXPECT_EQ(messages().size(), 1u); // its firmware is the latest: no offer
    EXPECT_THAT(heading(), testing::StartsWith("RVX692 Prototype\n"));
    EXPECT_FALSE(enabled(ID_ZERO));
    EXPECT_FALSE(enabled(ID_PROGRAM));
    EXPECT_FALSE(frame->positionGauge()->counterClockwise);
    EXPECT_EQ(position(), 256);
}

} // namespace
} // namespace vantix::test
