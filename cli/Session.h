#pragma once
// What every subcommand shares: the global options, the streams, the
// answers to questions, choosing a module and connecting to the encoder on it
// through the same sequence as the window, and the shape of the output.
#include "TerminalConversation.h"
#include "flows/Modules.h"
#include "flows/Settings.h"

#include <nlohmann/json.hpp>

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace vantix::cli {

using Json = nlohmann::ordered_json;

struct Options {
    bool json = false; // one JSON document on stdout instead of text
    Answers answers;
};

// The encoder a command works on: its model, and the module it sits on (an
// index or a serial number; none when only one module is attached).
struct Target {
    std::string model;
    std::optional<std::string> module;
};

struct Connection {
    ModuleEntry module;
    std::unique_ptr<RVX::Encoder> encoder;
    // Read on connecting, as the window's status line and rows read them.
    std::uint16_t datecode = 0;
    std::uint8_t firmware = 0;
    SettingsSet settings;
    bool restored = false; // the stored settings were unusable and the defaults were written
};

class Session {
public:
    Session(const Options& options, std::istream& in, std::ostream& out, std::ostream& err)
        : options_(options), out_(out), err_(err), conversation_(options.answers, in, err) {}

    bool json() const { return options_.json; }
    std::ostream& out() { return out_; }
    std::ostream& err() { return err_; }
    TerminalConversation& conversation() { return conversation_; }

    // The model's registry entry; an unknown name is a usage Failure.
    static const RVX::ModelInfo& model(const std::string& name);
    // The module a target names, or the only one attached.
    ModuleEntry chooseModule(RVX::ModuleLink link, const std::optional<std::string>& wanted) {
        return chooseModule(listModules(link), link, wanted);
    }
    // The same from a listing already made (one listing for several names).
    ModuleEntry chooseModule(const std::vector<ModuleEntry>& modules, RVX::ModuleLink link,
                             const std::optional<std::string>& wanted);
    // Creates the model's driver on the target's module and reads its
    // settings, offering the defaults when they are unusable.
    Connection connect(const Target& target);
    Connection connect(const std::string& model, const ModuleEntry& module);

    // Writes a command's JSON document.
    void print(const Json& document);

private:
    Options options_;
    std::ostream& out_;
    std::ostream& err_;
    TerminalConversation conversation_;
};

Json moduleJson(const ModuleEntry& module);
std::string moduleState(const ModuleEntry& module); // "free", "busy" or "no-permission"
// The part number a driver identified, or its model name.
std::string partOf(RVX::Encoder& encoder);

} // namespace vantix::cli
