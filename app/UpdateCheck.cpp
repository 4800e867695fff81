#include "UpdateCheck.h"

#include "Links.h"
#include "UserInterface.h"
#include "VersionDocument.h"

#include <fmt/format.h>

#include <charconv>
#include <cstdlib>

namespace vantix {

namespace {

constexpr std::chrono::milliseconds longestConnect{10'000};

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

UpdateCheckSettings UpdateCheckSettings::fromEnvironment() {
    UpdateCheckSettings settings;
    const std::string off = environment("RVX_VANTIX_NO_UPDATE_CHECK");
    settings.enabled = off.empty() || off == "0";
    settings.host = environment("RVX_VANTIX_UPDATE_HOST");
    if (settings.host.empty()) settings.host = makerWebHost;
    while (settings.host.ends_with('/'))
        settings.host.pop_back();
    settings.caFile = environment("RVX_VANTIX_UPDATE_CA_FILE");
    const std::string timeout = environment("RVX_VANTIX_UPDATE_TIMEOUT_MS");
    long milliseconds = 0;
    const auto [end, error] = std::from_chars(timeout.data(), timeout.data() + timeout.size(), milliseconds);
    if (error == std::errc() && end == timeout.data() + timeout.size() && milliseconds > 0)
        settings.timeout = std::chrono::milliseconds(milliseconds);
    return settings;
}

UpdateCheck::UpdateCheck(wxWindow* parent, const UpdateCheckSettings& settings)
    : window(parent), downloadPage(settings.host + "/rvx-vantix") {
    parent->Bind(wxEVT_DESTROY, &UpdateCheck::onWindowDestroyed, this);
    HttpsRequest request;
    request.url = settings.host + "/vantixversion.xml";
    request.caFile = settings.caFile;
    request.userAgent = "RVX Vantix/" + formatVersion(versionNumbers);
    request.totalTimeout = settings.timeout;
    request.connectTimeout = std::min(longestConnect, settings.timeout);
    // The worker hands the answer to the GUI thread; CallAfter is safe from any thread.
    fetch = std::make_unique<HttpsFetch>(std::move(request), [this](HttpsResponse response) {
        CallAfter([this, response = std::move(response)] { handle(response); });
    });
}

UpdateCheck::~UpdateCheck() {
    fetch.reset(); // before the pending answer goes with this handler
    if (window) window->Unbind(wxEVT_DESTROY, &UpdateCheck::onWindowDestroyed, this);
}

void UpdateCheck::onWindowDestroyed(wxWindowDestroyEvent& event) {
    event.Skip();
    if (event.GetWindow() != window.get()) return; // one of its children
    // The program is closing: no answer may reach the window, and nothing may hold up the exit.
    window = nullptr;
    fetch.reset();
    done = true;
}

void UpdateCheck::handle(const HttpsResponse& response) {
    offerNewerVersions(response);
    done = true;
}

void UpdateCheck::offerNewerVersions(const HttpsResponse& response) {
    if (!response.received || response.status != 200) return;
    for (const VersionNumber& latest : listedVersions(response.body)) {
        if (!window || window->IsBeingDeleted()) return;
        if (latest <= versionNumbers) continue;
        const std::string question = fmt::format("A new version of RVX Vantix is available.\nYou have "
                                                 "{}\nLatest is {}\nWould you like to download it?",
                                                 formatVersion(versionNumbers), formatVersion(latest));
        if (userInterface().message(wxString::FromUTF8(question), "RVX Vantix Update", wxYES_NO | wxCENTRE,
                                    window.get()) == wxYES)
            userInterface().openUrl(wxString::FromUTF8(downloadPage));
    }
}

std::unique_ptr<UpdateCheck> startUpdateCheck(wxWindow* window, bool allowedByCommandLine) {
    const auto settings = UpdateCheckSettings::fromEnvironment();
    if (!allowedByCommandLine || !settings.enabled) return nullptr;
    return std::make_unique<UpdateCheck>(window, settings);
}

} // namespace vantix
