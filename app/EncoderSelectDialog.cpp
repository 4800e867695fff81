#include "EncoderSelectDialog.h"

#include "Artwork.h"
#include "encoders/Pictures.h"

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <array>
#include <map>

namespace {

enum class Family { Incremental, Commutation, Absolute };

struct Model {
    int id;
    const char* name;
    Family family;
};

// Button ids in creation order.
constexpr std::array<Model, 11> models{{
    {1, "RVX46", Family::Incremental},
    {2, "RVX48", Family::Incremental},
    {3, "RVX47", Family::Incremental},
    {4, "RVX63", Family::Absolute},
    {5, "RVX65", Family::Absolute},
    {6, "RVX62", Family::Absolute},
    {7, "RVX68", Family::Absolute},
    {8, "RVX64", Family::Absolute},
    {9, "RVX69", Family::Absolute},
    {10, "RVX84", Family::Commutation},
    {11, "RVX86", Family::Commutation},
}};

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

    std::map<Family, wxStaticBoxSizer*> boxes;
    boxes[Family::Incremental] = new wxStaticBoxSizer(wxHORIZONTAL, this, "Incremental");
    boxes[Family::Commutation] = new wxStaticBoxSizer(wxHORIZONTAL, this, "Commutation");
    boxes[Family::Absolute] = new wxStaticBoxSizer(wxHORIZONTAL, this, "Absolute");
    auto* upper = new wxBoxSizer(wxHORIZONTAL);
    upper->Add(boxes[Family::Incremental], 0, wxALL, 10);
    upper->AddSpacer(118);
    upper->Add(boxes[Family::Commutation], 0, wxALL, 10);
    sizer->Add(upper);
    sizer->Add(boxes[Family::Absolute], 0, wxALL, 10);

    for (const Model& model : models) {
        wxStaticBoxSizer* box = boxes[model.family];
        auto* button = new wxButton(box->GetStaticBox(), model.id, model.name, wxDefaultPosition, {140, 160});
        button->SetBitmap(modelBitmap(model.name), wxTOP);
        button->Bind(wxEVT_BUTTON, &wxEncoderSelectDialog::onModel, this);
        box->Add(button, 0, wxALL, 4);
    }
    Bind(wxEVT_CLOSE_WINDOW, &wxEncoderSelectDialog::onClose, this);

    SetSizer(sizer);
    // Nothing pre-selected: the keyboard starts on the heading.
    heading->SetFocus();
}

void wxEncoderSelectDialog::onModel(wxCommandEvent& event) {
    for (const Model& model : models)
        if (model.id == event.GetId()) selectedModel = model.name;
    EndModal(1);
}

void wxEncoderSelectDialog::onClose(wxCloseEvent& event) {
    selectedModel = {};
    event.Skip();
}
