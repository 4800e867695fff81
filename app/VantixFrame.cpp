#include "VantixFrame.h"

#include "Artwork.h"
#include "DiagnosticsPlots.h"
#include "EncoderGauge.h"
#include "Links.h"
#include "SettingTables.h"
#include "SignalPages.h"
#include "UserInterface.h"
#include "encoders/Registry.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/generic/statbmpg.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>

#include <algorithm>
#include <mutex>

namespace {

struct Link {
    int id;
    const char* label;
    const char* icon;
    const char* path; // null: the connected encoder's data sheet
};

const Link links[] = {
    {ID_DATASHEET, "Datasheet", "link-datasheet.svg", nullptr},
    {ID_HOMEPAGE, "RVX Homepage", "link-home.svg", "/rvx-modular-encoders"},
    {ID_USER_GUIDE, "Vantix User Guide", "link-guide.svg", "/catalog/resource/rvx-vantix-user-guide.pdf"},
    {ID_ASSEMBLY, "Assembly Instructions", "link-assembly.svg", "/rvx-mounting"},
    {ID_BLOG, "Skelby Blog", "link-blog.svg", "/blog/motion-and-control"},
    {ID_RESOURCES, "Resource Library", "link-library.svg",
     "/resources/resource-library?categories=motion-and-control&tags=All&itemsPerPage=15"},
    {ID_SUPPORT, "Technical Support", "link-support.svg", "/contact"},
};

wxFont boldFont(wxWindow* window) {
    wxFont font = window->GetFont();
    font.MakeBold();
    return font;
}

wxStaticText* heading(wxWindow* parent, const wxString& text, int width) {
    auto* label = new wxStaticText(parent, wxID_ANY, text, wxDefaultPosition, {width, 20},
                                   wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    label->SetFont(boldFont(parent));
    return label;
}

// How the configuration rows share their cell's width.
struct RowFit {
    wxFont font;
    int label = 80, choice = 130;
};

// The rows' font and widths: the largest font at which every label and the
// widest entry fit the 220 pixels of the cell whole, however much room the
// toolkit's choice needs around its text.
RowFit fitSettingRows(wxWindow* panel) {
    constexpr int cellWidth = 220;
    RowFit fit{panel->GetFont()};
    auto* probe = new wxChoice(panel, wxID_ANY);
    for (const char* entry : vantix::widestEntries)
        probe->Append(entry);
    for (int points = fit.font.GetPointSize(); points >= 7; --points) {
        fit.font.SetPointSize(points);
        probe->SetFont(fit.font);
        probe->InvalidateBestSize();
        int label = 0;
        for (const char* text : vantix::rowLabels) {
            int width = 0, height = 0;
            panel->GetTextExtent(text, &width, &height, nullptr, nullptr, &fit.font);
            label = std::max(label, width);
        }
        fit.label = label + 2;
        fit.choice = cellWidth - fit.label;
        if (probe->GetBestSize().x <= fit.choice) break;
    }
    probe->Destroy();
    return fit;
}

} // namespace

VantixFrame::VantixFrame()
    : wxFrame(nullptr, wxID_ANY, "RVX Vantix", wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX | wxCLIP_CHILDREN),
      createDriver(RVX::create_encoder), pollTimer(this, ID_POLL_TIMER) {
    SetIcon(vantix::windowIcon());
    // The cells are laid out to the pixel: a compact font keeps the texts inside them.
    SetFont(wxFontInfo(9));
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    // Results of the flows ("Diagnostics saved to ...") show below the grid, out of the way.
    CreateStatusBar();
    buildWindow();

    Bind(wxEVT_BUTTON, reported(&VantixFrame::OnConnect), ID_CONNECT);
    Bind(wxEVT_BUTTON, reported(&VantixFrame::OnZero), ID_ZERO);
    Bind(wxEVT_BUTTON, reported(&VantixFrame::OnDiagnostics), ID_DIAGNOSTICS);
    Bind(wxEVT_TIMER, reported(&VantixFrame::OnTimer), ID_POLL_TIMER);
    Bind(wxEVT_CHOICE, reported(&VantixFrame::OnSettingChoice), ID_SETTING_0, ID_SETTING_2);
    Bind(wxEVT_BUTTON, reported(&VantixFrame::openLink), ID_DATASHEET, ID_SUPPORT);
    Bind(wxEVT_BUTTON, reported(&VantixFrame::OnProgram), ID_PROGRAM);

    connectButton->SetFocus();
    pollTimer.Start(100, wxTIMER_CONTINUOUS);
    // The selection dialog opens as soon as the event loop runs.
    wxQueueEvent(this, new wxCommandEvent(wxEVT_BUTTON, ID_CONNECT));
}

template <class Event>
std::function<void(Event&)> VantixFrame::reported(void (VantixFrame::*handler)(Event&)) {
    // The toolkit hands an escaped exception to the application object only on
    // some of its paths: under GTK one from a queued event (the start-up Connect
    // click) would end the program. So every handler of the window reports its own.
    return [this, handler](Event& event) {
        try {
            (this->*handler)(event);
        } catch (...) {
            // One failure, one message: the position poll stays away from the
            // device while the user reads about it.
            std::unique_lock hold(encoderMutex, std::try_to_lock);
            if (!wxTheApp->OnExceptionInMainLoop()) throw;
        }
    };
}

VantixFrame::~VantixFrame() {
    pollTimer.Stop();
    encoder.reset();
}

void VantixFrame::buildWindow() {
    topSizer = new wxFlexGridSizer(2, 3, 10, 10);
    auto cell = [this](wxSize size) {
        auto* panel = new wxPanel(this, wxID_ANY, wxDefaultPosition, size);
        // One explicit colour for every cell, so that the gauge's background matches its panel.
        panel->SetBackgroundColour(GetBackgroundColour());
        panel->SetMinSize(size);
        panel->SetMaxSize(size);
        topSizer->Add(panel, 0, wxALIGN_CENTER);
        return panel;
    };

    // Connection.
    wxPanel* panel = cell({180, 260});
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    title = heading(panel, "RVX Vantix", 180);
    sizer->Add(title, 0, wxALIGN_CENTER_HORIZONTAL);
    status = new wxStaticText(panel, wxID_ANY, "Disconnected", wxDefaultPosition, {180, 20},
                              wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    // The firmware line is the longest text of the cell: shrink the font until it fits.
    for (wxFont font = status->GetFont();
         font.GetPointSize() > 6 && status->GetTextExtent("Firmware: 0x00 - Date Code: 0000").x > 176;) {
        font.SetPointSize(font.GetPointSize() - 1);
        status->SetFont(font);
    }
    sizer->Add(status, 0, wxALIGN_CENTER_HORIZONTAL);
    picture = new wxGenericStaticBitmap(panel, ID_PICTURE, vantix::placeholderPicture().GetBitmap({140, 140}),
                                        wxDefaultPosition, {140, 140});
    sizer->Add(picture, 0, wxALIGN_CENTER_HORIZONTAL);
    connectButton = new wxButton(panel, ID_CONNECT, "Connect", wxDefaultPosition, {180, 40});
    sizer->Add(connectButton);
    diagnosticsButton = new wxButton(panel, ID_DIAGNOSTICS, "Get Diagnostics", wxDefaultPosition, {180, 40});
    sizer->Add(diagnosticsButton);
    panel->SetSizer(sizer);

    // Configuration.
    panel = cell({220, 260});
    configurationSizer = new wxBoxSizer(wxVERTICAL);
    configurationSizer->Add(heading(panel, "Encoder Configuration", 180), 0, wxALIGN_CENTER_HORIZONTAL);
    const RowFit fit = fitSettingRows(panel);
    for (int row = 0; row < 3; ++row) {
        auto* line = new wxBoxSizer(wxHORIZONTAL);
        settingRows[row].label = new wxStaticText(panel, wxID_ANY, "", wxDefaultPosition, {fit.label, -1},
                                                  wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
        settingRows[row].choice =
            new wxChoice(panel, ID_SETTING_0 + row, wxDefaultPosition, {fit.choice, 30});
        settingRows[row].label->SetFont(fit.font);
        settingRows[row].choice->SetFont(fit.font);
        settingRows[row].choice->Disable();
        line->Add(settingRows[row].label, 0, wxALIGN_CENTER_VERTICAL);
        line->Add(settingRows[row].choice);
        configurationSizer->Add(line, 0, wxALIGN_CENTER_HORIZONTAL);
    }
    programButton = new wxButton(panel, ID_PROGRAM, "Program");
    programButton->Disable();
    configurationSizer->Add(programButton, 0, wxALIGN_CENTER_HORIZONTAL);
    panel->SetSizer(configurationSizer);

    // Position.
    panel = cell({200, 260});
    sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(heading(panel, "Encoder Position", 200), 0, wxALIGN_CENTER_HORIZONTAL);
    gauge = new wxEncoderGauge(panel, ID_GAUGE);
    sizer->Add(gauge);
    // A multi-turn encoder cannot be zeroed; the turn count takes the Zero button's place.
    auto* below = new wxBoxSizer(wxHORIZONTAL);
    zeroButton = new wxButton(panel, ID_ZERO, "Zero");
    zeroButton->Disable();
    below->Add(zeroButton, 0, wxALIGN_CENTER_VERTICAL);
    turns = new wxStaticText(panel, wxID_ANY, "Turns: -32768", wxDefaultPosition, wxDefaultSize,
                             wxALIGN_CENTRE_HORIZONTAL);
    turns->SetMinSize(turns->GetBestSize());
    turns->Hide();
    below->Add(turns, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);
    sizer->Add(below, 0, wxALIGN_CENTER_HORIZONTAL);
    panel->SetSizer(sizer);

    // Links.
    panel = cell({180, 280});
    sizer = new wxBoxSizer(wxVERTICAL);
    for (const Link& link : links) {
        // Icon and label on the left, so that the labels line up whatever their length.
        auto* button = new wxButton(panel, link.id, link.label, wxDefaultPosition, wxDefaultSize, wxBU_LEFT);
        // The toolkit's button frame takes its share of the 40 pixels: the icon
        // gets what is left inside, so that it is neither clipped nor pushes the label down.
        const int frame = button->GetBestSize().y - button->GetCharHeight();
        const int icon = std::clamp(40 - frame, 16, 40);
        button->SetBitmap(vantix::artBundle(link.icon, {icon, icon}), wxLEFT);
        button->SetBitmapMargins(6, 0);
        button->SetMinSize({180, 40});
        button->SetMaxSize({180, 40});
        sizer->Add(button);
        if (link.id == ID_DATASHEET) datasheetButton = button;
    }
    datasheetButton->Disable();
    panel->SetSizer(sizer);

    // Signals.
    panel = cell({220, 280});
    notebook = new wxNotebook(panel, wxID_ANY, wxDefaultPosition, {220, 280});
    notebook->SetFont(wxFontInfo(8)); // both tab titles fit the narrow cell
    quadrature = new wxQuadratureSignals(notebook, wxID_ANY);
    commutation = new wxCommutationSignals(notebook, wxID_ANY);
    notebook->AddPage(quadrature, "Quadrature", true);
    notebook->AddPage(commutation, "Commutation");
    quadrature->SetBackgroundColour(notebook->GetBackgroundColour());
    commutation->SetBackgroundColour(notebook->GetBackgroundColour());

    // About.
    panel = cell({200, 280});
    sizer = new wxBoxSizer(wxVERTICAL);
    sizer->AddSpacer(60);
    sizer->Add(new wxGenericStaticBitmap(panel, wxID_ANY, vantix::logoPicture().GetBitmap({180, 44}),
                                         wxDefaultPosition, {180, 44}),
               0, wxALIGN_CENTER_HORIZONTAL);
    sizer->Add(new wxStaticText(panel, wxID_ANY, wxString::FromUTF8(vantix::aboutText()), wxDefaultPosition,
                                {180, 60}, wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE),
               0, wxALIGN_CENTER_HORIZONTAL);
    panel->SetSizer(sizer);

    topSizer->SetSizeHints(this);
    SetSizer(topSizer);
}

void VantixFrame::OnTimer(wxTimerEvent&) {
    try {
        std::unique_lock lock(encoderMutex, std::try_to_lock);
        if (lock.owns_lock()) {
            std::int32_t position = -1;
            if (encoder && encoder->read_position) position = encoder->read_position();
            gauge->value = std::min(position, gauge->counts - 1);
            gauge->redraw();
            if (encoder && encoder->read_turns)
                turns->SetLabel(wxString::Format("Turns: %d", encoder->read_turns()));
        }
    } catch (const std::exception& e) {
        if (errorCountdown > 0) {
            wxCommandEvent none;
            OnConnect(none);
            vantix::userInterface().message(
                wxString::FromUTF8("Lost connection to encoder, please check cable\n\n" +
                                   std::string(e.what())),
                "Encoder communication error", wxOK | wxICON_ERROR, nullptr);
        } else {
            errorCountdown += 20;
        }
        return;
    }
    errorCountdown = std::max(errorCountdown - 1, 0);
}

wxString VantixFrame::resultLine() const {
    return GetStatusBar()->GetStatusText();
}

void VantixFrame::showResult(const wxString& text) {
    SetStatusText(text);
}

void VantixFrame::openLink(wxCommandEvent& event) {
    for (const Link& link : links) {
        if (link.id != event.GetId()) continue;
        if (link.path) {
            vantix::userInterface().openUrl(vantix::makerUrl(link.path));
            return;
        }
        std::unique_lock lock(encoderMutex, std::try_to_lock);
        if (lock.owns_lock() && encoder)
            vantix::userInterface().openUrl(vantix::makerUrl(encoder->datasheet_url()));
    }
}
