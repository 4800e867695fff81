#pragma once
// The notebook pages that picture the encoder's output signals and give their
// timings, in mechanical degrees, for the chosen resolution or pole count.
#include <wx/bmpbndl.h>
#include <wx/panel.h>

#include <cstdint>
#include <map>
#include <string>

class wxTextCtrl;

// What both pages share: the diagram, the 2x2 grid of read-only fields and the note.
class wxSignalPage : public wxPanel {
public:
    // The read-only field shown beside `label` (for instance "T").
    wxTextCtrl* field(const std::string& label) const { return fields.at(label); }

protected:
    wxSignalPage(wxWindow* parent, wxWindowID id, const wxBitmapBundle& diagram,
                 const char* const (&labels)[4]);
    void show(const std::string& label, double degrees);

    std::map<std::string, wxTextCtrl*> fields;
};

class wxQuadratureSignals : public wxSignalPage {
public:
    wxQuadratureSignals(wxWindow* parent, wxWindowID id);
    // Timings for a resolution in pulses per revolution; 0 changes nothing.
    void update(std::uint32_t resolution);
};

class wxCommutationSignals : public wxSignalPage {
public:
    wxCommutationSignals(wxWindow* parent, wxWindowID id);
    // Timings for a pole count; 0 changes nothing.
    void update(std::uint32_t poles);
};
