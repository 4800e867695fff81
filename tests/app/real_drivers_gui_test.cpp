// The main window with the real drivers on the bench's encoder models, picked
// in the real selection dialog: RVX46, RVX84 and RVX63 shown on the gauge,
// programmed, zeroed and asked for diagnostics; an RVX46 offered a firmware
// update that fails once and is retried.
#include "GuiTest.h"
#include "app/EncoderGauge.h"
#include "encoders/FirmwareSet.h"
#include "sim/models/Rvx46Line.h"
#include "sim/models/Rvx63.h"
#include "transport/FtdiPlatform.h"

#include <wx/filename.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace vantix::test {
namespace {

// One line of re-flash progress and the progress dialog it was shown in.
struct ProgressLine {
    std::string title;
    std::string message;
    std::string line;
};

class RealDrivers : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        ui->realSelectionDialog = true;
        // The real drivers, with their progress callbacks observed on the way.
        frame->createDriver = [this](const std::string& model, std::uint32_t index) {
            auto encoder = RVX::create_encoder(model, index);
            if (encoder) observeProgress(*encoder);
            return encoder;
        };
        bench.reset();
        bench.emplace(std::make_shared<sim::Bench>());
    }

    void observeProgress(RVX::Encoder& encoder) {
        auto observed = [this](StatusCallback inner) {
            return StatusCallback([this, inner](const std::string& line) {
                inner(line);
                const auto dialog = openProgressDialog();
                progress.push_back({dialog ? dialog->title : "", dialog ? dialog->message : "", line});
            });
        };
        if (auto setResolution = encoder.set_resolution)
            encoder.set_resolution = [=](std::uint16_t r, StatusCallback s) {
                setResolution(r, observed(s));
            };
        if (auto setCommutation = encoder.set_commutation)
            encoder.set_commutation = [=](std::uint16_t r, std::uint8_t p, bool d, StatusCallback s) {
                setCommutation(r, p, d, observed(s));
            };
        if (auto update = encoder.update_firmware)
            encoder.update_firmware = [=](StatusCallback s) { update(observed(s)); };
    }

    template <class Model = sim::Rvx46Line>
    Model& addEncoder(const std::string& model, std::map<std::string, std::string> options = {}) {
        options.emplace("rpm", "0");
        return (*bench)->add(model, sim::ModelOptions(std::move(options))).template device<Model>();
    }

    void connectTo(const std::string& model) {
        ui->models.push_back(model);
        click(ID_CONNECT);
        ASSERT_NE(frame->connectedEncoder(), nullptr);
        EXPECT_STREQ(frame->connectedEncoder()->name(), model.c_str());
    }

    void select(int row, const std::string& entry) {
        const auto entries = rowEntries(row);
        const auto at = std::find(entries.begin(), entries.end(), entry);
        ASSERT_NE(at, entries.end()) << entry;
        choose(row, static_cast<int>(at - entries.begin()));
    }
    std::string selected(int row) const {
        return rowEntries(row).at(static_cast<std::size_t>(rowSelection(row)));
    }

    bool progressShows(const std::string& title, const std::string& line) const {
        return std::any_of(progress.begin(), progress.end(), [&](const ProgressLine& p) {
            return p.title == title && p.line == line &&
                   p.message == "Programming encoder...\nDo not disconnect\n\n" + line;
        });
    }

    // Saves the diagnostics report through the button and returns the file's content.
    std::string diagnostics() {
        const std::string path = wxFileName::CreateTempFileName("rvx").utf8_string();
        ui->files.push_back(path);
        click(ID_DIAGNOSTICS);
        std::ifstream in(path, std::ios::binary);
        std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::remove(path.c_str());
        return content;
    }

    std::vector<ProgressLine> progress;
};

TEST_F(RealDrivers, Rvx46ProgramsANewResolutionZeroesAndSavesDiagnostics) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "the bench runs only the simulation images";
    auto& device = addEncoder("RVX46", {{"shaft", "3000"}});
    connectTo("RVX46");
    EXPECT_TRUE(ui->moduleLists.empty()); // one module: no choice
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX462Q");
    EXPECT_EQ(frame->statusLabel()->GetLabel(), "Firmware: 0x15 - Date Code: 2024");
    EXPECT_EQ(rowEntries(0).size(), 22u);
    EXPECT_EQ(selected(0), "1024 PPR");
    EXPECT_EQ(frame->positionGauge()->counts, 16384);
    EXPECT_FALSE(frame->positionGauge()->absolute);
    EXPECT_TRUE(frame->positionGauge()->counterClockwise);

    select(0, "2048 PPR");
    click(ID_PROGRAM);
    EXPECT_TRUE(messages().empty()) << messages().front();
    EXPECT_EQ(device.firmware()->resolution, 2048);
    EXPECT_EQ(device.eeprom(0x82), 0x08);
    EXPECT_TRUE(
        progressShows("Setting RVX Encoder Resolution", "Programming complete. Resetting encoder..."));
    EXPECT_FALSE(openProgressDialog());

    tick();
    EXPECT_EQ(frame->positionGauge()->value, 3000);
    click(ID_ZERO);
    EXPECT_EQ(messages(), (std::vector<std::string>{"Zero position set!"}));
    tick();
    EXPECT_EQ(frame->positionGauge()->value, 0);

    device.setEeprom(0x8B, 0x20); // a high speed error since the re-flash
    std::vector<std::string> report;
    std::istringstream in(diagnostics());
    for (std::string line; std::getline(in, line);)
        report.push_back(line);
    ASSERT_EQ(report.size(), 6u + 1 + 13 + 1 + 128 + 4);
    EXPECT_EQ(report[0], "RVX Vantix\x99 diagnostics data");
    EXPECT_EQ(report[6], "Resolution: 2048");
    EXPECT_EQ(report[12], "High speed error: True");
    EXPECT_EQ(std::count_if(report.begin() + 21, report.begin() + 149,
                            [](const std::string& row) { return row.find(',') != std::string::npos; }),
              128);
    EXPECT_TRUE(report[149].starts_with("Coarse amplitude: ")); // the summary lines
    EXPECT_EQ(messages().size(), 1u);
}

TEST_F(RealDrivers, Rvx84ProgramsACommutationSet) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "the bench runs only the simulation images";
    auto& device = addEncoder("RVX84", {{"poles", "4"}});
    connectTo("RVX84");
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX842S");
    EXPECT_EQ(selected(1), "4");
    EXPECT_EQ(selected(2), "Clockwise");
    EXPECT_EQ(notebookPages(), (std::vector<std::string>{"Quadrature", "Commutation"}));

    select(0, "2000 PPR");
    select(1, "12");
    select(2, "Counter-Clockwise");
    click(ID_PROGRAM);
    EXPECT_TRUE(messages().empty());
    const auto& running = *device.firmware();
    EXPECT_EQ(running.resolution, 2000);
    EXPECT_EQ(running.poles, 12);
    EXPECT_TRUE(running.counterClockwise);
    EXPECT_EQ(device.eeprom(0x84), 12);
    EXPECT_EQ(device.eeprom(0x85), 1);
    EXPECT_TRUE(
        progressShows("Setting RVX Encoder Resolution", "Programming complete. Resetting encoder..."));
}

TEST_F(RealDrivers, Rvx46FailedFirmwareUpdateIsRetriedOnRequestAndKeepsTheIdentity) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "the bench runs only the simulation images";
    auto& device = addEncoder("RVX46", {{"fw", "0x14"}, {"code", "0xE3"}, {"datecode", "2211"}});
    // When the offer comes, arrange for the first attempt's restart handshake to fail.
    ui->onMessage = [&device](const Shown& shown) {
        if (shown.caption == "Update RVX Encoder Firmware?") device.scriptReply("q", "q\r\n#");
    };
    ui->answers = {wxYES, wxYES};
    connectTo("RVX46");
    ASSERT_EQ(ui->shown.size(), 2u);
    EXPECT_EQ(ui->shown[0].text, "Encoder firmware update available\nFirmware version on encoder: 0x14\n"
                                 "Latest firmware version available: 0x15\n\nUpdate to latest version?");
    EXPECT_EQ(ui->shown[1].text,
              "Error occured while programming encoder:\nUnable to connect to RVX46 encoder. "
              "Failed to initialization calibration\n\nRe-try?");
    EXPECT_TRUE(progressShows("Programming RVX Encoder", "Programming complete. Resetting encoder..."));
    EXPECT_EQ(device.firmware()->version, 0x15);
    EXPECT_EQ(device.eeprom(0x79), 0xE3);
    EXPECT_EQ(frame->statusLabel()->GetLabel(), "Firmware: 0x15 - Date Code: 2211");
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX463Q");
}

TEST_F(RealDrivers, Rvx63TurningOnTheGaugeProgramZeroAndHeaderOnlyReport) {
    addEncoder<sim::Rvx63>("RVX63");
    auto& device = addEncoder<sim::Rvx63>("RVX63", {{"rpm", "6"}, {"date", "0x3221"}}); // a turn in 10 s
    (*bench)->module(0).setBusy(true);
    ui->moduleChoices.push_back(1);
    connectTo("RVX63");
    EXPECT_EQ(ui->moduleLists.at(0), (std::vector<std::string>{"<busy>", "RVX-LINK (simulated): RVX63"}));
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX633");
    EXPECT_EQ(frame->statusLabel()->GetLabel(), "Firmware: 0x15 - Date Code: 2025");
    EXPECT_EQ(rowEntries(0).size(), 12u);
    wxEncoderGauge* gauge = frame->positionGauge();
    EXPECT_EQ(gauge->counts, 4096);
    EXPECT_TRUE(gauge->absolute);
    tick();
    const int first = gauge->value;
    EXPECT_GE(first, 0);
    FTDI::sleepMs(1000);
    tick();
    EXPECT_NEAR((gauge->value - first + 4096) % 4096, 410, 41);

    select(0, "800 PPR");
    click(ID_PROGRAM);
    EXPECT_EQ(device.resolution(), 800);
    EXPECT_EQ(device.commands().back(), (sim::Bytes{0x80, 0xFA, 0xE9}));

    click(ID_ZERO);
    EXPECT_EQ(device.restarts(), 1u);

    EXPECT_EQ(diagnostics(), "RVX Vantix\x99 diagnostics data\nModel: RVX633\nFirmware revision: 15\n"
                             "Datecode: 2025\nLast programmed by: 30\nLast program date: 2025-01-01\n");
    EXPECT_TRUE(messages().empty()); // an absolute encoder is zeroed without a word
}

} // namespace
} // namespace vantix::test
