#include "EncoderSelectDialog.h"

#include "Artwork.h"
#include "encoders/Pictures.h"
#include "encoders/Registry.h"

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cstdlib>
#include <map>

namespace {

// The pictures are decoded once for the program.
const wxBitmap& modelBitmap(const char* name) {
    static std::map<std::string_view, wxBitmap> decoded;
    auto it = decoded.find(name);
    if (it == decoded.end())
        it = decoded.emplace(name, wxBitmap(loadPngImage(RVX::model_picture(name)))).first;
    return it->second;
}

} // namespace

wxEncoderSelectDialog::wxEncoderSelectDialog(wxWindow* parent, wxWindowID id, const wxString& title)
    : wxDialog(parent, id, title, wxDefaultPosition, {930, 530}) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    // The heading sits on a panel of its own: a bare label cannot hold the
    // keyboard focus on every platform, and the focus must not start on a model.
    auto* heading = new wxPanel(this, wxID_ANY, wxDefaultPosition, {640, 50});
    auto* headingText = new wxStaticText(heading, wxID_ANY, "Select RVX Encoder", wxDefaultPosition,
                                         {640, 50}, wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    wxFont font = headingText->GetFont();
    font.SetPointSize(20);
    headingText->SetFont(font);
    sizer->Add(heading, 0, wxALIGN_CENTER_HORIZONTAL);
    sizer->Add(
        new wxStaticText(this, wxID_ANY,
                         "Ensure that applicable RVX-LINK programming module is connected via USB before "
                         "continuing",
                         wxDefaultPosition, {640, 20}, wxALIGN_CENTRE_HORIZONTAL),
        0, wxALIGN_CENTER_HORIZONTAL);

    using RVX::ModelKind;
    std::map<ModelKind, wxStaticBoxSizer*> boxes;
    boxes[ModelKind::Incremental] = new wxStaticBoxSizer(wxHORIZONTAL, this, "Incremental");
    boxes[ModelKind::Commutation] = new wxStaticBoxSizer(wxHORIZONTAL, this, "Commutation");
    boxes[ModelKind::Absolute] = new wxStaticBoxSizer(wxHORIZONTAL, this, "Absolute");
    auto* upper = new wxBoxSizer(wxHORIZONTAL);
    upper->Add(boxes[ModelKind::Incremental], 0, wxALL, 10);
    upper->AddSpacer(118);
    upper->Add(boxes[ModelKind::Commutation], 0, wxALL, 10);
    sizer->Add(upper);
    sizer->Add(boxes[ModelKind::Absolute], 0, wxALL, 10);

    // Button ids follow the registry's order, from 1.
    int buttonId = 1;
    for (const RVX::ModelInfo& model : RVX::models()) {
        wxStaticBoxSizer* box = boxes[model.kind];
        auto* button =
            new wxButton(box->GetStaticBox(), buttonId++, model.name, wxDefaultPosition, {140, 160});
        button->SetBitmap(modelBitmap(model.picture), wxTOP);
        button->Bind(wxEVT_BUTTON, &wxEncoderSelectDialog::onModel, this);
        box->Add(button, 0, wxALL, 4);
        buttons.push_back(button);
    }
    Bind(wxEVT_CLOSE_WINDOW, &wxEncoderSelectDialog::onClose, this);
    Bind(wxEVT_CHAR_HOOK, &wxEncoderSelectDialog::onKey, this);

    SetSizer(sizer);
    // Nothing pre-selected: the keyboard starts on the heading.
    heading->SetFocus();
}

void wxEncoderSelectDialog::onModel(wxCommandEvent& event) {
    const auto models = RVX::models();
    const auto index = static_cast<std::size_t>(event.GetId() - 1);
    if (index < models.size()) selectedModel = models[index].name;
    EndModal(1);
}

void wxEncoderSelectDialog::onClose(wxCloseEvent& event) {
    selectedModel = {};
    event.Skip();
}

void wxEncoderSelectDialog::onKey(wxKeyEvent& event) {
    switch (event.GetKeyCode()) {
    case WXK_ESCAPE: // the dialog has no Cancel button for the toolkit to press
        selectedModel = {};
        EndModal(wxID_CANCEL);
        return;
    case WXK_LEFT:
        return moveFocus(-1, 0);
    case WXK_RIGHT:
        return moveFocus(1, 0);
    case WXK_UP:
        return moveFocus(0, -1);
    case WXK_DOWN:
        return moveFocus(0, 1);
    default: // Return and Space press the focused button, Tab moves on
        event.Skip();
    }
}

void wxEncoderSelectDialog::moveFocus(int dx, int dy) {
    const auto at = std::find(buttons.begin(), buttons.end(), FindFocus());
    // From the heading, any arrow enters the models at the first one.
    if (at == buttons.end()) return buttons.front()->SetFocus();
    const wxPoint from = (*at)->GetScreenRect().GetPosition();
    wxWindow* best = nullptr;
    long bestCost = 0;
    for (wxWindow* button : buttons) {
        const wxPoint to = button->GetScreenRect().GetPosition();
        const long along = (to.x - from.x) * dx + (to.y - from.y) * dy;
        if (along <= 0) continue; // not in the arrow's direction
        const long across = std::abs((to.x - from.x) * dy) + std::abs((to.y - from.y) * dx);
        const long cost = along + 2 * across; // prefer the same row or column
        if (!best || cost < bestCost) best = button, bestCost = cost;
    }
    if (best) best->SetFocus();
}
