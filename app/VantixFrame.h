#pragma once
// The main window: the six panels, the connected driver, the position timer and
// the connect, settings, program, diagnostics and zero flows.
#include "DeviceLock.h"
#include "encoders/Encoder.h"

#include <wx/frame.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

class wxBoxSizer;
class wxButton;
class wxChoice;
class wxEncoderGauge;
class wxCommutationSignals;
class wxDiagnosticsDialog;
class wxFlexGridSizer;
class wxGenericStaticBitmap;
class wxNotebook;
class wxQuadratureSignals;
class wxStaticText;

// Window ids of the frame's controls.
enum : int {
    ID_CONNECT = 1,
    ID_ZERO = 2,
    ID_DIAGNOSTICS = 3,
    ID_POLL_TIMER = 4,
    ID_PICTURE = 6,
    ID_SETTING_0 = 7,
    ID_SETTING_1 = 8,
    ID_SETTING_2 = 9,
    ID_DATASHEET = 10,
    ID_HOMEPAGE = 11,
    ID_USER_GUIDE = 12,
    ID_ASSEMBLY = 13,
    ID_BLOG = 14,
    ID_RESOURCES = 15,
    ID_SUPPORT = 16,
    ID_PROGRAM = 17,
    ID_GAUGE = 4096,
};

class VantixFrame : public wxFrame {
public:
    VantixFrame();
    ~VantixFrame() override;

    // Creates the driver for a model name on a module index; null for a model
    // without a driver. Replaceable so that tests can connect their own drivers.
    std::function<std::unique_ptr<RVX::Encoder>(const std::string&, std::uint32_t)> createDriver;

    void OnConnect(wxCommandEvent& event);
    void OnZero(wxCommandEvent& event);
    void OnDiagnostics(wxCommandEvent& event);
    void OnTimer(wxTimerEvent& event);
    void OnSettingChoice(wxCommandEvent& event);
    void OnProgram(wxCommandEvent& event);

    struct SettingRow {
        wxStaticText* label;
        wxChoice* choice;
    };

    // Read-only views for tests and screenshots.
    RVX::Encoder* connectedEncoder() const { return encoder.get(); }
    std::int32_t pollErrorCountdown() const { return errorCountdown; }
    bool deviceBusy() const { return encoderMutex.busy(); }
    wxTimer& positionTimer() { return pollTimer; }
    wxEncoderGauge* positionGauge() const { return gauge; }
    wxNotebook* signalNotebook() const { return notebook; }
    wxQuadratureSignals* quadraturePage() const { return quadrature; }
    wxCommutationSignals* commutationPage() const { return commutation; }
    const SettingRow& settingRow(int index) const { return settingRows.at(index); }
    wxStaticText* titleLabel() const { return title; }
    wxStaticText* statusLabel() const { return status; }
    wxStaticText* turnsLabel() const { return turns; }
    wxGenericStaticBitmap* encoderPicture() const { return picture; }
    // The line under the panels that tells the result of the last flow.
    wxString resultLine() const;
    // The plots of the last diagnostics acquisition, while their window is open.
    wxDiagnosticsDialog* diagnosticsPlots() const { return diagnosticsWindow; }

private:
    // `handler`, reporting what escapes it through the application object.
    template <class Event> std::function<void(Event&)> reported(void (VantixFrame::*handler)(Event&));
    void buildWindow();
    void ShowEncoderSettings();
    void connectFlow();
    void disconnect();
    void fillWindow();
    void offerFirmwareUpdate();
    std::unique_ptr<RVX::Encoder> createChosenDriver(const std::string& model);
    void openLink(wxCommandEvent& event);
    void saveDiagnostics(const wxString& path);
    // True while an encoder is connected; otherwise tells the user and returns false.
    bool requireEncoder();
    // Tells the result of a flow on the line under the panels; empty clears it.
    void showResult(const wxString& text);

    std::unique_ptr<RVX::Encoder> encoder;
    DeviceLock encoderMutex;
    std::int32_t errorCountdown = 0;
    wxTimer pollTimer;
    wxFlexGridSizer* topSizer = nullptr;
    wxEncoderGauge* gauge = nullptr;
    wxButton* zeroButton = nullptr;
    wxStaticText* turns = nullptr; // shown for a multi-turn encoder only
    wxStaticText* title = nullptr;
    wxStaticText* status = nullptr;
    wxGenericStaticBitmap* picture = nullptr;
    wxButton* connectButton = nullptr;
    wxButton* diagnosticsButton = nullptr;
    wxBoxSizer* configurationSizer = nullptr;
    wxButton* datasheetButton = nullptr;
    wxNotebook* notebook = nullptr;
    wxQuadratureSignals* quadrature = nullptr;
    wxCommutationSignals* commutation = nullptr;
    std::array<SettingRow, 3> settingRows{};
    wxButton* programButton = nullptr;
    wxWeakRef<wxDiagnosticsDialog> diagnosticsWindow;
};
