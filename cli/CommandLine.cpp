#include "CommandLine.h"

#include "Commands.h"
#include "Outcome.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <ostream>

namespace vantix::cli {

namespace {

// -m MODEL and -d MODULE of the subcommands that work on one encoder.
struct TargetOptions {
    Target target;
    std::string module;
    CLI::Option* moduleOption = nullptr;

    void add(CLI::App* command) {
        command->add_option("-m,--model", target.model, "encoder model, as RVX46")->required();
        moduleOption = command->add_option("-d,--module", module,
                                           "programming module: its index or serial number from `list` "
                                           "(needed when several are attached)");
    }
    const Target& get() {
        if (moduleOption->count() > 0) target.module = module;
        return target;
    }
};

const char* const description =
    "Sets up RVX rotary encoders through an RVX-LINK USB programming module, from scripts and\n"
    "production lines: the operations of the RVX Vantix window, with the same drivers.\n"
    "\n"
    "Exit codes: 0 success, 1 encoder or module error, 2 usage error,\n"
    "3 verification after programming failed.";

} // namespace

int runCommandLine(int argc, char** argv, const Environment& environment) {
    CLI::App app(description, "rvx-vantix-cli");
    app.set_help_flag("-h,--help", "show this text (after a subcommand: its options)");
    app.footer(environment.extraHelp);
    app.require_subcommand(1);
    app.fallthrough();
    Options options;
    app.add_flag("--json", options.json, "write one JSON document on stdout instead of text");
    app.add_flag("-y,--yes", options.answers.yes,
                 "answer yes to the questions the window would ask (update offer, retry, restore defaults)");

    std::function<int(Session&)> action;
    auto* list = app.add_subcommand("list", "list the UART and SPI programming modules");
    list->callback([&] { action = [](Session& s) { return runList(s); }; });

    TargetOptions info, zero, restore, update, diagnostics, watch, set;
    info.add(app.add_subcommand("info", "connect and show the part, firmware, dates and settings"));
    app.get_subcommand("info")->callback(
        [&] { action = [&](Session& s) { return runInfo(s, info.get()); }; });

    auto* setCommand = app.add_subcommand("set", "program settings, then read them back and compare");
    set.add(setCommand);
    std::vector<std::string> settings;
    setCommand
        ->add_option("settings", settings,
                     "resolution=N poles=N direction=cw|ccw address=N baud=N termination=on|off")
        ->required();
    setCommand->callback([&] { action = [&](Session& s) { return runSet(s, set.get(), settings); }; });

    update.add(app.add_subcommand("update-firmware", "re-flash the newest firmware the program carries"));
    app.get_subcommand("update-firmware")->callback([&] {
        action = [&](Session& s) { return runUpdateFirmware(s, update.get()); };
    });

    zero.add(app.add_subcommand("zero", "make the present shaft position the zero"));
    app.get_subcommand("zero")->callback(
        [&] { action = [&](Session& s) { return runZero(s, zero.get()); }; });

    restore.add(app.add_subcommand(
        "restore-defaults", "reprogram the default settings of an encoder whose stored ones are unusable"));
    app.get_subcommand("restore-defaults")->callback([&] {
        action = [&](Session& s) { return runRestoreDefaults(s, restore.get()); };
    });

    auto* diagnosticsCommand = app.add_subcommand("diagnostics", "save the diagnostics report to a file");
    diagnostics.add(diagnosticsCommand);
    std::string reportPath;
    diagnosticsCommand->add_option("-o,--output", reportPath, "the report file (.dat), replaced")->required();
    diagnosticsCommand->callback(
        [&] { action = [&](Session& s) { return runDiagnostics(s, diagnostics.get(), reportPath); }; });

    auto* watchCommand = app.add_subcommand("watch", "show the live position until Ctrl-C or N readings");
    watch.add(watchCommand);
    unsigned count = 0, interval = 100;
    watchCommand->add_option("-n,--count", count, "stop after N readings (default: until Ctrl-C)");
    watchCommand->add_option("--interval", interval, "milliseconds between readings (default 100)")
        ->check(CLI::Range(1u, 60000u));
    watchCommand->callback(
        [&] { action = [&](Session& s) { return runWatch(s, watch.get(), count, interval); }; });

    auto* applyCommand =
        app.add_subcommand("apply", "apply a settings profile to the encoder on each module in turn");
    std::string profile, logPath;
    std::vector<std::string> modules;
    applyCommand->add_option("profile", profile, "the profile: model = MODEL and NAME = VALUE lines")
        ->required();
    applyCommand->add_option(
        "-d,--module", modules,
        "a module to apply it on (repeatable; default: every module of the model's kind)");
    applyCommand->add_option("--log", logPath,
                             "the log a result line per encoder is appended to (default: "
                             "PROFILE.log)");
    applyCommand->callback([&] {
        action = [&](Session& s) {
            return runApply(s, profile, modules, logPath.empty() ? profile + ".log" : logPath);
        };
    });

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        app.exit(e, environment.out, environment.err);
        return Success;
    } catch (const CLI::ParseError& e) {
        if (app.get_subcommands().empty() && !app.remaining().empty()) {
            std::string commands;
            for (const auto* command : app.get_subcommands({}))
                commands += (commands.empty() ? "" : ", ") + command->get_name();
            environment.err << "Unknown command \"" << app.remaining().front() << "\" (commands: " << commands
                            << ")";
        } else {
            environment.err << e.what();
        }
        environment.err << "\nRun rvx-vantix-cli --help for the commands and options.\n";
        return UsageError;
    }

    options.answers.interactive = environment.inputTerminal && environment.errorTerminal;
    options.answers.progressBar = environment.errorTerminal;
    Session session(options, environment.in, environment.out, environment.err);
    try {
        return action(session);
    } catch (...) {
        const auto failure = report(std::current_exception());
        environment.err << failure.message << "\n";
        if (options.json) {
            const auto* command = app.get_subcommands().empty() ? nullptr : app.get_subcommands().front();
            session.print(Json{{"command", command ? command->get_name() : ""},
                               {"error", failure.message},
                               {"exit_code", static_cast<int>(failure.code)}});
        }
        return failure.code;
    }
}

} // namespace vantix::cli
