// The main window with the RVX48 and RVX64 drivers on the bench's encoders,
// picked in the real selection dialog: the resolution row, the address and
// termination rows, zero, and firmware updates through the block bootloader.
#include "RealDrivers.h"
#include "app/EncoderGauge.h"
#include "encoders/FirmwareSet.h"
#include "sim/models/rvx48/Rvx48.h"
#include "sim/models/rvx64/Rvx64.h"

#include <wx/stattext.h>

namespace vantix::test {
namespace {

std::uint16_t today() {
    using namespace std::chrono;
    return static_cast<std::uint16_t>((floor<days>(system_clock::now()) - sys_days{2000y / 1 / 1}).count());
}

std::string selected(const std::vector<std::string>& entries, int index) {
    return index < 0 ? "" : entries.at(static_cast<std::size_t>(index));
}

TEST_F(RealDrivers, Rvx48ResolutionRowUpdateOfferAndProgram) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "the bench runs only the simulation images";
    auto& rvx48 = addEncoder<sim::Rvx48>(
        "RVX48", {{"fw", "3"}, {"res", "0xB"}, {"code", "0xA7"}, {"datecode", "1907"}});
    ui->answers = {wxYES};
    connectTo("RVX48");
    EXPECT_EQ(messages(),
              (std::vector<std::string>{"Encoder firmware update available\nFirmware version on encoder: "
                                        "0x03\nLatest firmware version available: 0x04\n\nUpdate to "
                                        "latest version?"}));
    EXPECT_EQ(rvx48.firmware()->get("version"), 4u);
    EXPECT_EQ(rvx48.record(), (sim::Rvx48Record{0xA7, 19, 7, 0x01, today()}));
    EXPECT_EQ(std::count(progress.begin(), progress.end(), "Programming RVX Encoder: Writing block 112/113"),
              1);
    EXPECT_EQ(std::count(progress.begin(), progress.end(), "Programming RVX Encoder: Verify block 112/113"),
              1);
    EXPECT_FALSE(openProgressDialog());

    // Firmware 3 could not say its resolution; the settings were read again after the update.
    EXPECT_EQ(heading(), "RVX48\nFirmware: 0x04 - Date Code: 1907");
    EXPECT_EQ(rowLabel(0), "Resolution: ");
    EXPECT_EQ(selected(rowEntries(0), rowSelection(0)), "2048 PPR");
    EXPECT_EQ(rowLabel(1), "");
    EXPECT_EQ(notebookPages(), (std::vector<std::string>{"Quadrature"}));
    EXPECT_FALSE(enabled(ID_ZERO));
    EXPECT_TRUE(frame->positionGauge()->inactive);

    select(0, "400 PPR");
    click(ID_PROGRAM);
    EXPECT_EQ(rvx48.resolutionCode(), 5);
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_TRUE(saveDiagnostics().ends_with("\nResolution: 400\n"));
}

TEST_F(RealDrivers, Rvx64PositionZeroUpdateThenAddressAndTermination) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "the bench runs only the simulation images";
    auto& rvx64 = addEncoder<sim::Rvx64>(
        "RVX64",
        {{"variant", "B"}, {"fw", "6"}, {"address", "0x10"}, {"datecode", "4025"}, {"shaft", "5000"}});
    ui->answers = {wxYES};
    connectTo("RVX64");
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(rvx64.firmware()->get("version"), 7u);
    EXPECT_EQ(rvx64.firmware()->get("variant"), 2u);
    EXPECT_EQ(rvx64.nodeAddress(), 0x10);
    EXPECT_EQ(heading(), "RVX64xB\nFirmware: 0x07 - Date Code: 4025");
    EXPECT_EQ(rowLabel(0), "Address: ");
    EXPECT_EQ(selected(rowEntries(0), rowSelection(0)), "0x10");
    EXPECT_EQ(rowLabel(2), ""); // firmware 6 had no termination when the encoder was connected
    EXPECT_TRUE(notebookPages().empty());

    wxEncoderGauge* gauge = frame->positionGauge();
    EXPECT_EQ(gauge->counts, 16384);
    EXPECT_TRUE(gauge->absolute);
    tick();
    EXPECT_EQ(gauge->value, 5000);
    click(ID_ZERO);
    tick();
    EXPECT_EQ(gauge->value, 0);
    EXPECT_EQ(messages().size(), 1u); // an absolute encoder is zeroed without a word

    click(ID_CONNECT); // disconnect; the updated encoder now offers termination
    connectTo("RVX64");
    EXPECT_EQ(messages().size(), 1u); // nothing newer to offer
    EXPECT_EQ(rowLabel(2), "Termination: ");
    EXPECT_EQ(selected(rowEntries(2), rowSelection(2)), "Disabled");
    select(0, "0x20");
    select(2, "Enabled (120 Ohm)");
    click(ID_PROGRAM);
    EXPECT_EQ(messages().back(), "Encoder address set");
    EXPECT_EQ(rvx64.nodeAddress(), 0x20);
    EXPECT_TRUE(rvx64.termination());
}

TEST_F(RealDrivers, Rvx64WithACorruptRecordConnectsAndTakesTheDefaults) {
    auto& rvx64 = addEncoder<sim::Rvx64>("RVX64", {{"record", "swwZMA=="}});
    ui->answers = {wxYES};
    connectTo("RVX64");
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "Encoder settings are invalid/corrupt. Reprogram with default values?"}));
    ASSERT_TRUE(rvx64.record());
    EXPECT_EQ(rvx64.record()->at(0), 0xB3);
    EXPECT_EQ(frame->statusLabel()->GetLabel(), "Firmware: 0x07 - Date Code: 0000");
    EXPECT_EQ(rowLabel(0), "Address: ");
    EXPECT_EQ(rowLabel(2), ""); // no date code to tell whether the part has termination
}

} // namespace
} // namespace vantix::test
