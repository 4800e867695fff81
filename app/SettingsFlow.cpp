// Filling the configuration rows from the driver's accessors, the live preview
// in the signal pages, and programming the chosen settings.
#include "EncoderGauge.h"
#include "ProgressStatus.h"
#include "SettingTables.h"
#include "SignalPages.h"
#include "UserInterface.h"
#include "VantixFrame.h"
#include "flows/Settings.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/notebook.h>
#include <wx/stattext.h>

#include <fmt/format.h>

#include <array>
#include <mutex>

namespace {

using namespace vantix;

const wxString configureCaption = "Configure RVX encoder";
const wxString errorCaption = "RVX Vantix error";

// Appends the entries and selects the one equal to `current`, if any.
template <class Values, class Format>
void fill(wxChoice* choice, const Values& values, std::uint64_t current, Format format) {
    for (const auto& value : values) {
        const int index = choice->Append(format(value));
        if (static_cast<std::uint64_t>(value) == current) choice->SetSelection(index);
    }
}

void enableRow(const VantixFrame::SettingRow& row, const char* label) {
    row.label->SetLabel(label);
    row.choice->Enable();
}

// "Encoder programmed: Resolution 2000 PPR, Poles 12, Direction Clockwise".
wxString programmedSettings(const std::array<VantixFrame::SettingRow, 3>& rows) {
    wxString text = "Encoder programmed:";
    const char* separator = " ";
    for (const auto& row : rows) {
        // Its own state: the progress dialog disables the whole window meanwhile.
        if (!row.choice->IsThisEnabled() || row.choice->GetSelection() == wxNOT_FOUND) continue;
        wxString name = row.label->GetLabel();
        name.Trim();
        if (name.EndsWith(":")) name.RemoveLast();
        text << separator << name << " " << row.choice->GetStringSelection();
        separator = ", ";
    }
    return text;
}

} // namespace

void VantixFrame::ShowEncoderSettings() {
    title->SetLabel(wxString::FromUTF8(encoder->part_number ? encoder->part_number : ""));
    const std::uint16_t datecode = encoder->datecode();
    const std::uint8_t firmware = encoder->firmware_version();
    status->SetLabel(fmt::format("Firmware: 0x{:02X} - Date Code: {:04d}", firmware, datecode));

    while (notebook->GetPageCount() > 0)
        notebook->RemovePage(0);
    for (auto& row : settingRows)
        row.choice->Clear();

    if (encoder->set_resolution) {
        programButton->Enable();
        enableRow(settingRows[0], rowLabel::resolution);
        notebook->Show();
        notebook->AddPage(quadrature, "Quadrature", true);
        const std::uint16_t resolution = encoder->get_resolution();
        quadrature->update(resolution);
        fill(settingRows[0].choice, encoder->resolutions, resolution,
             [](std::uint64_t value) { return fmt::format("{} PPR", value); });
        if (encoder->set_commutation) {
            enableRow(settingRows[1], rowLabel::poles);
            enableRow(settingRows[2], rowLabel::direction);
            notebook->AddPage(commutation, "Commutation", false);
            const std::uint8_t poles = encoder->get_poles();
            commutation->update(poles);
            fill(settingRows[1].choice, poleCounts, poles,
                 [](unsigned value) { return fmt::format("{}", value); });
            for (const char* direction : directions)
                settingRows[2].choice->Append(direction);
            settingRows[2].choice->SetSelection(encoder->get_direction() ? 1 : 0);
        }
    } else if (encoder->set_address) {
        programButton->Enable();
        enableRow(settingRows[0], rowLabel::address);
        for (int i = 0; i < addressCount; ++i)
            settingRows[0].choice->Append(fmt::format("0x{:02X}", i * 4));
        settingRows[0].choice->SetSelection(encoder->get_address() / 4);
        if (encoder->set_baud_rate) {
            enableRow(settingRows[1], rowLabel::baudRate);
            const std::uint32_t baud = encoder->get_baud_rate();
            fill(settingRows[1].choice, baudRates, baud,
                 [](std::uint32_t value) { return fmt::format("{} bps", value); });
        }
        if (encoder->set_termination) {
            enableRow(settingRows[2], rowLabel::termination);
            for (const char* termination : terminations)
                settingRows[2].choice->Append(termination);
            settingRows[2].choice->SetSelection(encoder->get_termination() ? 1 : 0);
        }
    }
}

void VantixFrame::OnSettingChoice(wxCommandEvent&) {
    std::unique_lock lock(encoderMutex, std::try_to_lock);
    if (!lock.owns_lock() || !encoder || !encoder->set_resolution) return;
    const int resolution = settingRows[0].choice->GetSelection();
    if (resolution != wxNOT_FOUND && static_cast<std::size_t>(resolution) < encoder->resolutions.size())
        quadrature->update(static_cast<std::uint32_t>(encoder->resolutions[resolution]));
    const int poles = settingRows[1].choice->GetSelection();
    if (encoder->set_commutation && poles != wxNOT_FOUND)
        commutation->update(poleCounts.at(static_cast<std::size_t>(poles)));
}

void VantixFrame::OnProgram(wxCommandEvent&) {
    std::unique_lock lock(encoderMutex, std::try_to_lock);
    if (!lock.owns_lock()) return;
    if (!requireEncoder()) return;
    showResult("");
    auto& ui = vantix::userInterface();
    const int row0 = settingRows[0].choice->GetSelection();
    const int row1 = settingRows[1].choice->GetSelection();
    const int row2 = settingRows[2].choice->GetSelection();

    // The rows' choices; a row without a selection gives nothing.
    vantix::SettingsSet wanted;
    vantix::WindowConversation conversation(this);
    if (encoder->set_resolution) {
        if (encoder->set_commutation && (row1 == wxNOT_FOUND || row2 == wxNOT_FOUND)) return;
        if (row0 == wxNOT_FOUND) return;
        wanted.resolution = static_cast<std::uint16_t>(encoder->resolutions[row0]);
        if (encoder->set_commutation) {
            wanted.poles = poleCounts.at(row1);
            wanted.counterClockwise = row2 != 0;
        }
        vantix::programSettings(*encoder, wanted, conversation);
        showResult(programmedSettings(settingRows));
    } else if (encoder->set_address) {
        if (row0 == wxNOT_FOUND) return;
        wanted.address = static_cast<std::uint8_t>(row0 * addressStep);
        // A rate the list does not offer (2000000) selects no row: the encoder
        // keeps it, and the address and termination are still programmed.
        if (encoder->set_baud_rate && row1 != wxNOT_FOUND) wanted.baudRate = baudRates.at(row1);
        // The termination row is shown for an address-only encoder too, so the user's choice is written.
        if (encoder->set_termination && row2 != wxNOT_FOUND) wanted.termination = row2 != 0;
        vantix::programSettings(*encoder, wanted, conversation);
        showResult(programmedSettings(settingRows));
        if (encoder->set_baud_rate)
            ui.message("Encoder programmed successfully", configureCaption, wxOK, nullptr);
        else
            ui.message("Encoder address set", configureCaption, wxOK, nullptr);
    } else {
        ui.message("Nothing to program on this encoder", errorCaption, wxOK | wxICON_ERROR, nullptr);
    }
}
