#include "SignalPages.h"

#include "Artwork.h"

#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <fmt/format.h>

namespace {
wxString degrees(double value) {
    return wxString::FromUTF8(fmt::format("{:.3f}\u00B0", value));
}
} // namespace

wxSignalPage::wxSignalPage(wxWindow* parent, wxWindowID id, const wxBitmapBundle& diagram,
                           const char* const (&labels)[4])
    : wxPanel(parent, id) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->AddSpacer(20);
    sizer->Add(new wxStaticBitmap(this, wxID_ANY, diagram));
    sizer->AddSpacer(20);
    auto* grid = new wxGridSizer(2, 2, 4, 4);
    for (const char* label : labels) {
        auto* cell = new wxBoxSizer(wxHORIZONTAL);
        cell->Add(
            new wxStaticText(this, wxID_ANY, label, wxDefaultPosition, {20, 20}, wxALIGN_CENTRE_HORIZONTAL),
            0, wxALIGN_CENTER_VERTICAL);
        auto* text = new wxTextCtrl(this, wxID_ANY, wxString::FromUTF8("0.0\u00B0"), wxDefaultPosition,
                                    {80, 30}, wxTE_READONLY);
        fields[label] = text;
        cell->Add(text);
        grid->Add(cell);
    }
    sizer->Add(grid);
    auto* note = new wxStaticText(this, wxID_ANY, "All values are in mechanical degrees", wxDefaultPosition,
                                  wxDefaultSize, wxALIGN_CENTRE_HORIZONTAL);
    note->Wrap(200);
    sizer->Add(note, 0, wxALIGN_CENTER_HORIZONTAL);
    SetSizer(sizer);
}

void wxSignalPage::show(const std::string& label, double value) {
    fields.at(label)->ChangeValue(degrees(value));
}

namespace {
const char* const quadratureLabels[4] = {"I", "P", "T", "S"};
const char* const commutationLabels[4] = {"C", "P", "T", "S"};
} // namespace

wxQuadratureSignals::wxQuadratureSignals(wxWindow* parent, wxWindowID id)
    : wxSignalPage(parent, id, vantix::quadratureDiagram(), quadratureLabels) {}

void wxQuadratureSignals::update(std::uint32_t resolution) {
    if (resolution == 0) return;
    const double r = resolution;
    show("T", 360.0 / r);
    show("P", 360.0 / (2 * r));
    show("I", 360.0 / (4 * r));
    show("S", 360.0 / (4 * r));
}

wxCommutationSignals::wxCommutationSignals(wxWindow* parent, wxWindowID id)
    : wxSignalPage(parent, id, vantix::commutationDiagram(), commutationLabels) {}

void wxCommutationSignals::update(std::uint32_t poles) {
    if (poles == 0) return;
    const double p = poles;
    show("T", 720.0 / p);
    show("P", 360.0 / p);
    show("S", 120.0 / p);
    show("C", 240.0 / p);
}
