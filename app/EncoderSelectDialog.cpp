#include "EncoderSelectDialog.h"

#include "Artwork.h"
#include "encoders/Pictures.h"
#include "encoders/Registry.h"

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

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
    }
    Bind(wxEVT_CLOSE_WINDOW, &wxEncoderSelectDialog::onClose, this);

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
