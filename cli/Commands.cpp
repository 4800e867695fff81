#include "Commands.h"

#include "Outcome.h"
#include "SettingArguments.h"
#include "flows/Connect.h"
#include "flows/Diagnostics.h"
#include "flows/SettingValues.h"
#include "transport/FtdiPlatform.h"

#include <fmt/chrono.h>
#include <fmt/format.h>

#include <atomic>
#include <csignal>
#include <ostream>

namespace vantix::cli {

namespace {

constexpr const char* moduleFormat = "{:>3}  {:<16}  {:<14}  {}\n";

std::string moduleLine(const ModuleEntry& module) {
    std::string state = moduleState(module);
    if (module.noAccess) state += " (install the udev rule: see the README)";
    return fmt::format(moduleFormat, module.index, module.serial.empty() ? "-" : module.serial, state,
                       module.description);
}

Json header(const char* command, const Connection& connection) {
    return Json{{"command", command},
                {"module", moduleJson(connection.module)},
                {"model", connection.encoder->name()},
                {"part_number", partOf(*connection.encoder)}};
}

void printSettings(Session& session, const SettingsSet& settings) {
    for (const auto& entry : settingNames)
        if (settings.has(entry.setting))
            session.out() << fmt::format("{:<20}{}\n", std::string(entry.name) + ":",
                                         valueText(settings, entry.setting));
}

template <class Values> Json array(const Values& values) {
    Json json = Json::array();
    for (const auto& value : values)
        json.push_back(value);
    return json;
}

// The values each offered setting may take.
Json offeredJson(RVX::Encoder& encoder) {
    Json json = Json::object();
    if (offers(encoder, Setting::Resolution)) json["resolution"] = array(encoder.resolutions);
    if (offers(encoder, Setting::Poles)) json["poles"] = array(poleCounts);
    if (offers(encoder, Setting::Direction)) json["direction"] = Json::array({"cw", "ccw"});
    if (offers(encoder, Setting::Address)) {
        Json addresses = Json::array();
        for (int i = 0; i < addressCount; ++i)
            addresses.push_back(i * addressStep);
        json["address"] = addresses;
    }
    if (offers(encoder, Setting::BaudRate)) json["baud"] = array(baudRates);
    if (offers(encoder, Setting::Termination)) json["termination"] = Json::array({"off", "on"});
    return json;
}

// Checks the settings before anything is written; the encoder's own limits
// make a usage error too.
void requireSettings(RVX::Encoder& encoder, const SettingsSet& wanted) {
    if (const auto problem = settingsProblem(encoder, wanted); !problem.empty()) throw usageError(problem);
}

std::atomic<bool> interrupted{false};
extern "C" void onInterrupt(int) {
    interrupted = true;
}

} // namespace

std::string dateText(RVX::TimePoint time) {
    return fmt::format("{:%Y-%m-%d}", fmt::gmtime(std::chrono::system_clock::to_time_t(time)));
}

int runList(Session& session) {
    const auto uart = listModules(RVX::ModuleLink::Uart);
    const auto spi = listModules(RVX::ModuleLink::Spi);
    if (session.json()) {
        Json uartJson = Json::array(), spiJson = Json::array();
        for (const auto& module : uart)
            uartJson.push_back(moduleJson(module));
        for (const auto& module : spi)
            spiJson.push_back(moduleJson(module));
        session.print(Json{{"command", "list"}, {"uart", uartJson}, {"spi", spiJson}});
        return Success;
    }
    auto& out = session.out();
    for (const auto& [title, modules, link] : {std::tuple{"UART modules", &uart, RVX::ModuleLink::Uart},
                                               std::tuple{"SPI modules", &spi, RVX::ModuleLink::Spi}}) {
        out << title << ":\n";
        if (modules->empty())
            out << "  " << noModuleMessage(link) << "\n";
        else
            out << fmt::format(moduleFormat, "#", "serial", "state", "description");
        for (const auto& module : *modules)
            out << moduleLine(module);
    }
    return Success;
}

int runInfo(Session& session, const Target& target) {
    auto connection = session.connect(target);
    auto& encoder = *connection.encoder;
    const std::uint8_t firmware = connection.firmware;
    const std::uint8_t latest = encoder.latest_firmware_version();
    const bool updatable = encoder.update_firmware && firmware < latest;
    const std::uint16_t datecode = connection.datecode;
    const std::uint8_t station = encoder.last_programmed_by();
    const std::string date = dateText(encoder.last_program_date());
    if (session.json()) {
        Json json = header("info", connection);
        json["firmware_version"] = firmware;
        json["latest_firmware_version"] = latest;
        json["update_available"] = updatable;
        json["datecode"] = datecode;
        json["last_programmed_by"] = station;
        json["last_program_date"] = date;
        json["absolute"] = encoder.is_absolute();
        json["settings"] = settingsJson(connection.settings);
        json["offered"] = offeredJson(encoder);
        session.print(json);
        return Success;
    }
    auto& out = session.out();
    out << fmt::format("{:<20}{} {} ({})\n", "Module:", connection.module.index, connection.module.serial,
                       connection.module.description);
    out << fmt::format("{:<20}{}\n", "Part number:", partOf(encoder));
    out << fmt::format("{:<20}0x{:02X} (latest carried 0x{:02X}{})\n", "Firmware:", firmware, latest,
                       updatable ? ", update available" : "");
    out << fmt::format("{:<20}{:04d}\n", "Date code:", datecode);
    out << fmt::format("{:<20}0x{:02X}\n", "Last programmed by:", station);
    out << fmt::format("{:<20}{}\n", "Last program date:", date);
    printSettings(session, connection.settings);
    // What each setting may be set to, as `set` takes it.
    const Json offered = offeredJson(encoder);
    for (const auto& [name, values] : offered.items()) {
        std::string text;
        for (const auto& value : values)
            text += (text.empty() ? "" : " ") + (value.is_string() ? value.get<std::string>() : value.dump());
        out << fmt::format("{:<20}{}\n", name + " offers:", text);
    }
    return Success;
}

int runSet(Session& session, const Target& target, const std::vector<std::string>& arguments) {
    const SettingsSet wanted = readSettingArguments(arguments);
    if (wanted == SettingsSet{}) throw usageError("Nothing to set: give NAME=VALUE, as resolution=2000");
    auto connection = session.connect(target);
    auto& encoder = *connection.encoder;
    requireSettings(encoder, wanted);
    programSettings(encoder, wanted, session.conversation());
    const SettingsSet after = readSettings(encoder);
    const std::string problem = verificationProblem(wanted, after);
    if (session.json()) {
        Json json = header("set", connection);
        json["settings_before"] = settingsJson(connection.settings);
        json["settings_after"] = settingsJson(after);
        json["verified"] = problem.empty();
        session.print(json);
    } else if (problem.empty()) {
        session.out() << "Encoder programmed: " << formatSettings(after) << "\n";
    }
    if (problem.empty()) return Success;
    session.err() << "Verification after programming failed: " << problem << "\n";
    return VerifyFailed;
}

int runUpdateFirmware(Session& session, const Target& target) {
    auto connection = session.connect(target);
    auto& encoder = *connection.encoder;
    if (!encoder.update_firmware)
        throw Failure(EncoderError, fmt::format("The {} has no firmware update", partOf(encoder)));
    const std::uint8_t before = connection.firmware;
    const auto update = offerFirmwareUpdate(encoder, session.conversation(),
                                            [&] { connection.settings = readSettings(encoder); });
    if (update.outcome == FirmwareUpdate::GaveUp)
        throw Failure(EncoderError, "Error occured while programming encoder:\n" + update.failure);
    const std::uint8_t after =
        update.outcome == FirmwareUpdate::Updated ? encoder.firmware_version() : before;
    if (session.json()) {
        Json json = header("update-firmware", connection);
        json["firmware_before"] = before;
        json["firmware_after"] = after;
        json["latest_firmware_version"] = encoder.latest_firmware_version();
        json["updated"] = update.outcome == FirmwareUpdate::Updated;
        json["settings"] = settingsJson(connection.settings);
        session.print(json);
    } else if (update.outcome == FirmwareUpdate::Updated) {
        session.out() << fmt::format("Encoder firmware updated to 0x{:02X}\n", after);
    } else if (update.outcome == FirmwareUpdate::Declined) {
        session.out() << fmt::format("Firmware 0x{:02X} kept\n", before);
    } else {
        session.out() << fmt::format("Firmware 0x{:02X} is the latest carried\n", before);
    }
    return Success;
}

int runZero(Session& session, const Target& target) {
    auto connection = session.connect(target);
    auto& encoder = *connection.encoder;
    if (!encoder.zero) throw Failure(EncoderError, "Cannot set zero on this encoder");
    encoder.zero();
    if (session.json()) {
        Json json = header("zero", connection);
        json["zeroed"] = true;
        session.print(json);
    } else {
        session.out() << "Zero position set!\n";
    }
    return Success;
}

int runRestoreDefaults(Session& session, const Target& target) {
    // As the window offers it: when the stored settings cannot be used.
    auto connection = session.connect(target);
    if (session.json()) {
        Json json = header("restore-defaults", connection);
        json["restored"] = connection.restored;
        json["settings"] = settingsJson(connection.settings);
        session.print(json);
    } else {
        session.out() << (connection.restored
                              ? "Encoder reprogrammed with default values\n"
                              : "The encoder's stored settings are valid: nothing restored\n");
        printSettings(session, connection.settings);
    }
    return Success;
}

int runDiagnostics(Session& session, const Target& target, const std::string& path) {
    auto connection = session.connect(target);
    const std::string report = saveDiagnostics(*connection.encoder, path, session.conversation());
    if (session.json()) {
        Json json = header("diagnostics", connection);
        json["file"] = path;
        json["bytes"] = report.size();
        session.print(json);
    } else {
        session.out() << "Diagnostics saved to " << path << "\n";
    }
    return Success;
}

int runWatch(Session& session, const Target& target, unsigned count, unsigned intervalMs) {
    auto connection = session.connect(target);
    auto& encoder = *connection.encoder;
    if (!encoder.read_position) throw Failure(EncoderError, "This encoder reports no position");
    interrupted = false;
    const auto previous = std::signal(SIGINT, onInterrupt);
    Json readings = Json::array();
    try {
        for (unsigned n = 0; (count == 0 || n < count) && !interrupted; ++n) {
            if (n > 0) FTDI::sleepMs(intervalMs);
            const std::uint16_t position = encoder.read_position();
            Json reading{{"position", position}};
            std::string line = fmt::format("position {}", position);
            if (encoder.read_turns) {
                const std::int16_t turns = encoder.read_turns();
                reading["turns"] = turns;
                line += fmt::format(" turns {}", turns);
            }
            if (session.json())
                readings.push_back(reading);
            else
                session.out() << line << "\n" << std::flush;
        }
    } catch (...) {
        std::signal(SIGINT, previous);
        throw;
    }
    std::signal(SIGINT, previous);
    if (session.json()) {
        Json json = header("watch", connection);
        const std::int64_t counts = encoder.position_bits ? std::int64_t{1} << *encoder.position_bits : 4096;
        json["counts_per_turn"] = counts;
        json["readings"] = readings;
        session.print(json);
    }
    return Success;
}

} // namespace vantix::cli
