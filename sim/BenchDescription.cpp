// Reading a bench description from the command line.
#include "Bench.h"
#include "Catalog.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace sim {

namespace {

constexpr long long kHourMs = 3600 * 1000;

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        if (!part.empty()) parts.push_back(part);
    return parts;
}

double probability(const ModelOptions& options, const std::string& key) {
    const std::string text = options.get(key);
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used == text.size() && value >= 0 && value <= 1) return value;
    } catch (const std::exception&) {
    }
    throw std::invalid_argument("option " + key + " needs a probability from 0 to 1, not \"" + text + "\"");
}

// Applies the options every module understands and removes them, leaving the
// model's own options.
void applyModuleOptions(Module& module, ModelOptions& options) {
    Faults& f = module.faults;
    if (options.has("seed")) module.reseed(static_cast<std::uint32_t>(options.number("seed", 1)));
    if (options.has("drop")) f.drop = probability(options, "drop");
    if (options.has("flip")) f.flip = probability(options, "flip");
    if (options.has("junk")) f.junk = probability(options, "junk");
    if (options.has("tohost")) f.hostToDevice = false;
    if (options.has("both")) f.hostToDevice = true;
    if (options.has("arm")) f.armAfterBytes = static_cast<std::uint64_t>(options.number("arm", 0));
    if (options.has("truncate")) f.truncateReplies = static_cast<std::size_t>(options.number("truncate", 0));
    // Times beyond an hour would overflow the bench's clock, and no host waits that long.
    if (options.has("delay")) f.delay = std::chrono::milliseconds(options.number("delay", 0, 0, kHourMs));
    if (options.has("silent")) f.silent = true;
    if (options.has("busy")) module.setBusy(true);
    if (options.has("fail")) {
        // fail=N:STATUS  - the Nth call from now on fails with STATUS, and every call after it
        const auto failure = options.get("fail");
        const auto colon = failure.find(':');
        ModelOptions parts({{"n", failure.substr(0, colon)},
                            {"status", colon == std::string::npos ? "4" : failure.substr(colon + 1)}});
        const auto n = parts.number("n", 1);
        module.failCalls(static_cast<FTDI::Status>(parts.number("status", 4)),
                         static_cast<std::uint64_t>(n > 0 ? n - 1 : 0), 0);
    }
}

const char* const kModuleKeys[] = {"seed",     "drop",  "flip",   "junk", "tohost", "both", "arm",
                                   "truncate", "delay", "silent", "busy", "fail",   "count"};

} // namespace

std::shared_ptr<Bench> Bench::fromDescription(const std::string& description) {
    auto bench = std::make_shared<Bench>(LineModel::Wire);
    bool anyModule = false;
    for (const std::string& item : split(description, ';')) {
        const auto colon = item.find(':');
        const std::string head = item.substr(0, colon);
        std::map<std::string, std::string> values;
        const std::string tail = colon == std::string::npos ? "" : item.substr(colon + 1);
        for (const std::string& option : split(tail, ',')) {
            const auto eq = option.find('=');
            values[option.substr(0, eq)] = eq == std::string::npos ? "" : option.substr(eq + 1);
        }
        if (head.starts_with("line=")) {
            const std::string model = head.substr(5);
            if (model == "instant")
                bench->setLineModel(LineModel::Instant);
            else if (model == "wire")
                bench->setLineModel(LineModel::Wire);
            else
                throw std::invalid_argument("line must be instant or wire, not \"" + model + "\"");
            ModelOptions options(values);
            bench->setUsbLatency(std::chrono::microseconds(options.number("latency", 1, 0, kHourMs) * 1000));
            bench->setPowerOnLatencyTimer(
                static_cast<std::uint8_t>(options.number("timer", kPowerOnLatencyTimer, 1, 255)));
            continue;
        }
        if (!findModel(head)) {
            std::string known;
            for (const auto& entry : catalog())
                known += (known.empty() ? "" : ", ") + entry.name;
            throw std::invalid_argument("the bench has no encoder model \"" + head + "\" (known: " + known +
                                        ")");
        }
        ModelOptions options(values);
        const long long count = options.number("count", 1);
        if (count < 1 || count > 16) throw std::invalid_argument("count must be from 1 to 16");
        ModelOptions modelOptions;
        for (const auto& [key, value] : options.all())
            if (std::find(std::begin(kModuleKeys), std::end(kModuleKeys), key) == std::end(kModuleKeys))
                modelOptions.set(key, value);
        for (long long i = 0; i < count; ++i) {
            Module& module = bench->add(head, modelOptions);
            applyModuleOptions(module, options);
        }
        anyModule = true;
    }
    if (!anyModule)
        for (const auto& entry : catalog())
            if (entry.inDefaultBench) bench->add(entry.name);
    return bench;
}

std::string Bench::descriptionHelp() {
    std::string text = "Simulated bench:\n"
                       "  BENCH is a list of items separated by ';'. Each item puts one module on the\n"
                       "  bench with an encoder model on it, MODEL[:OPTION,OPTION...], or sets the line\n"
                       "  model, line=wire|instant[:latency=MS,timer=MS]. Without BENCH the bench holds\n"
                       "  one module per encoder model, on the wire line model: 1 ms USB latency, and\n"
                       "  each chip holds what it received until 62 bytes fill a USB packet or its\n"
                       "  latency timer runs out (16 ms until the program sets another; timer= sets\n"
                       "  that power-on value).\n"
                       "\n"
                       "  Options of every module:\n"
                       "    count=N          N identical modules\n"
                       "    serial=TEXT      serial number shown in the listing\n"
                       "    busy             listed as opened by another program; opening it fails\n"
                       "    seed=N           seed of the fault injection (reproducible runs)\n"
                       "    drop=P flip=P junk=P\n"
                       "                     probability per reply byte of losing it, flipping a bit,\n"
                       "                     or inserting a junk byte before it\n"
                       "    both             apply drop and flip to the host's bytes too\n"
                       "    arm=N            faults start after N reply bytes\n"
                       "    truncate=N       every reply cut to N bytes\n"
                       "    delay=MS         every reply arrives MS later\n"
                       "    silent           the encoder never answers\n"
                       "    fail=N:STATUS    the Nth call and every later one fail with FTDI STATUS\n"
                       "\n"
                       "  Encoder models:\n";
    for (const auto& entry : catalog())
        text += "    " + entry.name + std::string(18 - std::min<std::size_t>(entry.name.size(), 17), ' ') +
                entry.summary + "\n";
    text += "\n  Example: --simulate \"RVX46:fw=0x14;RVX63:count=2;line=wire:latency=2,timer=16\"\n";
    return text;
}

} // namespace sim
