// `apply`: one profile, the encoder on each module in turn, a log line each.
#include "Commands.h"
#include "Outcome.h"
#include "Profile.h"
#include "SettingArguments.h"
#include "flows/Connect.h"

#include <fmt/chrono.h>
#include <fmt/format.h>

#include <chrono>
#include <fstream>
#include <ostream>

namespace vantix::cli {

namespace {

constexpr const char* logHeader =
    "# time\tmodule\tpart\tfirmware_before\tfirmware_after\tsettings_before\tsettings_after\tresult\n";

struct EncoderResult {
    std::string time;
    ModuleEntry module;
    std::string part;
    std::optional<std::uint8_t> firmwareBefore, firmwareAfter;
    SettingsSet before, after;
    ExitCode code = Success;
    std::string result = "ok";
};

// One line of the log: tabs separate the fields, so none may hold one.
std::string flat(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\t' || c == '\r') c = ' ';
    return text;
}

std::string firmwareText(const std::optional<std::uint8_t>& version) {
    return version ? fmt::format("0x{:02X}", *version) : "-";
}

std::string logLine(const EncoderResult& r) {
    const auto settings = [](const SettingsSet& set) {
        const auto text = formatSettings(set);
        return text.empty() ? std::string("-") : text;
    };
    return fmt::format("{}\t{}\t{}\t{}\t{}\t{}\t{}\t{}\n", r.time,
                       flat(r.module.serial.empty() ? "-" : r.module.serial), r.part.empty() ? "-" : r.part,
                       firmwareText(r.firmwareBefore), firmwareText(r.firmwareAfter), settings(r.before),
                       settings(r.after), flat(r.result));
}

std::string utcNow() {
    return fmt::format("{:%Y-%m-%dT%H:%M:%SZ}",
                       fmt::gmtime(std::chrono::system_clock::to_time_t(std::chrono::system_clock::now())));
}

void applyTo(Session& session, const Profile& profile, EncoderResult& result) {
    auto connection = session.connect(profile.model, result.module);
    auto& encoder = *connection.encoder;
    result.part = partOf(encoder);
    result.before = connection.settings;
    result.firmwareBefore = connection.firmware;
    if (const auto problem = settingsProblem(encoder, profile.settings); !problem.empty())
        throw usageError(problem);
    if (profile.latestFirmware) {
        session.conversation().answerUpdateOffer();
        const auto update = offerFirmwareUpdate(encoder, session.conversation(), [] {});
        if (update.outcome == FirmwareUpdate::GaveUp)
            throw Failure(EncoderError, "Error occured while programming encoder: " + update.failure);
    }
    programSettings(encoder, profile.settings, session.conversation());
    result.after = readSettings(encoder);
    result.firmwareAfter = encoder.firmware_version();
    if (const auto problem = verificationProblem(profile.settings, result.after); !problem.empty())
        throw Failure(VerifyFailed, "verification failed: " + problem);
}

Json resultJson(const EncoderResult& r) {
    Json json{{"time", r.time}, {"module", moduleJson(r.module)}, {"part_number", r.part}};
    json["firmware_before"] = r.firmwareBefore ? Json(*r.firmwareBefore) : Json();
    json["firmware_after"] = r.firmwareAfter ? Json(*r.firmwareAfter) : Json();
    json["settings_before"] = settingsJson(r.before);
    json["settings_after"] = settingsJson(r.after);
    json["result"] = r.result;
    json["exit_code"] = static_cast<int>(r.code);
    return json;
}

// The run's exit code: a failed encoder before a refused one before a
// verification that failed.
ExitCode worst(ExitCode a, ExitCode b) {
    constexpr ExitCode order[] = {EncoderError, UsageError, VerifyFailed};
    for (const ExitCode code : order)
        if (a == code || b == code) return code;
    return Success;
}

} // namespace

int runApply(Session& session, const std::string& profilePath, const std::vector<std::string>& wanted,
             const std::string& logPath) {
    const Profile profile = readProfileFile(profilePath);
    const auto& model = Session::model(profile.model);
    // Every named module is found before any encoder is touched.
    const auto listing = listModules(model.link);
    std::vector<ModuleEntry> modules;
    for (const auto& name : wanted)
        modules.push_back(session.chooseModule(listing, model.link, name));
    if (wanted.empty()) modules = listing;
    if (modules.empty()) throw Failure(EncoderError, noModuleMessage(model.link));

    std::ofstream log(logPath, std::ios::app);
    if (!log) throw Failure(EncoderError, fmt::format("Unable to write the log \"{}\"", logPath));
    if (log.tellp() == 0) log << logHeader;

    ExitCode exit = Success;
    Json results = Json::array();
    for (const auto& module : modules) {
        EncoderResult result;
        result.time = utcNow();
        result.module = module;
        session.conversation().setSubject(module.serial.empty() ? std::to_string(module.index)
                                                                : module.serial);
        try {
            applyTo(session, profile, result);
        } catch (...) {
            const auto failure = report(std::current_exception());
            result.code = failure.code;
            result.result = (failure.code == VerifyFailed ? "" : "failed: ") + flat(failure.message);
            session.err() << failure.message << "\n";
        }
        exit = worst(exit, result.code);
        log << logLine(result) << std::flush;
        if (!log) throw Failure(EncoderError, fmt::format("Unable to write the log \"{}\"", logPath));
        if (session.json())
            results.push_back(resultJson(result));
        else
            session.out() << fmt::format("{:<16}  {:<10}  {}  {} -> {}\n", module.serial,
                                         result.part.empty() ? "-" : result.part, result.result,
                                         formatSettings(result.before), formatSettings(result.after));
    }
    if (session.json())
        session.print(Json{{"command", "apply"},
                           {"profile", profilePath},
                           {"model", model.name},
                           {"log", logPath},
                           {"results", results}});
    return exit;
}

} // namespace vantix::cli
