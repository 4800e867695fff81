// Connecting to an encoder and disconnecting from it.
#include "Artwork.h"
#include "EncoderGauge.h"
#include "ProgressStatus.h"
#include "SignalPages.h"
#include "UserInterface.h"
#include "VantixFrame.h"
#include "encoders/Registry.h"
#include "flows/Connect.h"
#include "flows/Modules.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/generic/statbmpg.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <fmt/format.h>

#include <mutex>
#include <optional>

namespace {

const wxString errorCaption = "RVX Vantix Error";

// The module the user picks from the listing; none when cancelled.
std::optional<std::uint32_t> chooseModule(const std::vector<vantix::ModuleEntry>& modules, wxWindow* parent) {
    if (modules.size() == 1) return modules.front().index;
    wxArrayString lines;
    for (const auto& module : modules)
        lines.Add(module.busy ? wxString("<busy>") : wxString::FromUTF8(module.description));
    const int chosen = vantix::userInterface().chooseIndex("Select programming module",
                                                           "Connect to RVX encoder", lines, parent);
    if (chosen < 0) return std::nullopt;
    return modules[static_cast<std::size_t>(chosen)].index;
}

} // namespace

void VantixFrame::OnConnect(wxCommandEvent&) {
    std::unique_lock lock(encoderMutex, std::try_to_lock);
    if (!lock.owns_lock()) return; // a flow is running its own dialog
    showResult("");
    if (encoder)
        disconnect();
    else
        connectFlow();
    // Not left to the toolkit, which hands it to the first text field it finds
    // (a read-only timing field, with a caret).
    connectButton->SetFocus();
}

void VantixFrame::disconnect() {
    encoder.reset();
    datasheetButton->Disable();
    gauge->value = std::min(gauge->counts - 1, -1);
    gauge->redraw();
    gauge->inactive = true;
    gauge->redraw(); // grey at once, not from the next tick, which a message box may hold up
    picture->SetBitmap(vantix::placeholderPicture().GetBitmap({140, 140}));
    title->SetLabel("RVX Vantix");
    status->SetLabel("Disconnected");
    connectButton->SetLabel("Connect");
    diagnosticsButton->Disable();
    zeroButton->Disable();
    turns->Hide();
    turns->GetParent()->Layout(); // the Zero button back in the middle
    programButton->Disable();
    for (auto& row : settingRows) {
        row.label->SetLabel("");
        row.choice->Clear();
        row.choice->Disable();
    }
    while (notebook->GetPageCount() > 0)
        notebook->RemovePage(0);
    notebook->Hide();
}

std::unique_ptr<RVX::Encoder> VantixFrame::createChosenDriver(const std::string& model) {
    auto& ui = vantix::userInterface();
    const RVX::ModelInfo* info = RVX::find_model(model);
    const auto link = info ? info->link : RVX::ModuleLink::Uart;
    const auto modules = vantix::listModules(link);
    if (modules.empty()) {
        ui.message(vantix::noModuleMessage(link), errorCaption, wxOK | wxICON_ERROR, nullptr);
        return nullptr;
    }
    const auto index = chooseModule(modules, this);
    if (!index) return nullptr;
    auto driver = createDriver(model, *index);
    if (!driver) ui.message("Unknown encoder", wxMessageBoxCaptionStr, wxOK | wxCENTRE, nullptr);
    return driver;
}

void VantixFrame::connectFlow() {
    const std::string model = vantix::userInterface().chooseModel(this);
    if (model.empty()) return;
    auto driver = createChosenDriver(model);
    if (!driver) return;
    encoder = std::move(driver);
    fillWindow();
    offerFirmwareUpdate();
}

void VantixFrame::fillWindow() {
    connectButton->SetLabel("Disconnect");
    datasheetButton->Enable();

    const std::int64_t counts = encoder->position_bits ? std::int64_t{1} << *encoder->position_bits : 4096;
    gauge->counts = static_cast<std::int32_t>(std::clamp<std::int64_t>(counts, 1, INT32_MAX));
    gauge->redraw();
    gauge->absolute = encoder->is_absolute();
    gauge->counterClockwise = encoder->counts_counter_clockwise();
    gauge->inactive = !encoder->read_position;
    gauge->redraw(); // in its colours while the questions below hold the position poll up

    diagnosticsButton->Enable();
    zeroButton->Enable(static_cast<bool>(encoder->zero));
    turns->SetLabel("Turns: ");
    turns->Show(static_cast<bool>(encoder->read_turns));
    turns->GetParent()->Layout();

    notebook->Show(static_cast<bool>(encoder->set_resolution));
    configurationSizer->ShowItems(encoder->set_resolution || encoder->set_address);

    if (!encoder->picture.empty()) picture->SetBitmap(wxBitmap(loadPngImage(encoder->picture)));

    vantix::WindowConversation conversation(this);
    vantix::readSettingsOrRestore(*encoder, conversation, [this] { ShowEncoderSettings(); });
}

void VantixFrame::offerFirmwareUpdate() {
    vantix::WindowConversation conversation(this);
    const auto update =
        vantix::offerFirmwareUpdate(*encoder, conversation, [this] { ShowEncoderSettings(); });
    if (update.outcome == vantix::FirmwareUpdate::Updated)
        showResult(fmt::format("Encoder firmware updated to 0x{:02X}", update.latest));
}
