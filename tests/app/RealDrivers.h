#pragma once
// The main window with the real drivers on the bench's encoder models, picked
// in the real selection dialog; the progress lines of their re-flashes are
// recorded with the title, phase and bar of the progress dialog that showed them.
#include "GuiTest.h"
#include "encoders/Registry.h"
#include "sim/models/rvx46_47/Rvx46Line.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace vantix::test {

class RealDrivers : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        ui->realSelectionDialog = true;
        // The real drivers, with the progress lines of their re-flashes recorded
        // together with what the progress dialog shows at that moment.
        frame->createDriver = [this](const std::string& model, std::uint32_t index) {
            auto encoder = RVX::create_encoder(model, index);
            if (!encoder) return encoder;
            auto observed = [this](StatusCallback inner) {
                return StatusCallback([this, inner](const std::string& line) {
                    inner(line);
                    const auto dialog = openProgressDialog();
                    const std::string head = "Programming encoder...\nDo not disconnect\n\n";
                    if (!dialog || !dialog->message.starts_with(head) ||
                        !dialog->message.ends_with("\n" + line))
                        return;
                    progress.push_back(dialog->title + ": " + line);
                    // "Writing (42 %)" between the head and the line.
                    const auto phase = dialog->message.substr(
                        head.size(), dialog->message.find(" (", head.size()) - head.size());
                    if (phases.empty() || phases.back() != phase) phases.push_back(phase);
                    bar.push_back(dialog->value);
                });
            };
            if (auto set = encoder->set_resolution)
                encoder->set_resolution = [=](std::uint16_t r, StatusCallback s) { set(r, observed(s)); };
            if (auto set = encoder->set_commutation)
                encoder->set_commutation = [=](std::uint16_t r, std::uint8_t p, bool d, StatusCallback s) {
                    set(r, p, d, observed(s));
                };
            if (auto set = encoder->set_baud_rate)
                encoder->set_baud_rate = [=](std::uint32_t b, StatusCallback s) { set(b, observed(s)); };
            if (auto update = encoder->update_firmware)
                encoder->update_firmware = [=](StatusCallback s) { update(observed(s)); };
            return encoder;
        };
        bench.reset();
        bench.emplace(std::make_shared<sim::Bench>());
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

    std::vector<std::string> progress; // "dialog title: line"
    std::vector<std::string> phases;   // as shown, each once in a row
    std::vector<int> bar;              // the progress bar at each line
};

inline const std::string done = "Programming complete. Resetting encoder...";

} // namespace vantix::test
