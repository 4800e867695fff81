#include "HexManifest.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace tools {

namespace {

std::uint32_t number(const std::string& key, const std::string& text) {
    try {
        std::size_t used = 0;
        const auto value = std::stoull(text, &used, 0);
        if (used != text.size() || value > 0xFFFFFFFFull) throw std::out_of_range(text);
        return std::uint32_t(value);
    } catch (const std::logic_error&) {
        throw std::invalid_argument(key + ": not a number: \"" + text + "\"");
    }
}

std::pair<std::string, std::string> split(const std::string& key, const std::string& value) {
    const auto colon = value.find(':');
    if (colon == std::string::npos)
        throw std::invalid_argument(key + ": expected A:B, got \"" + value + "\"");
    return {value.substr(0, colon), value.substr(colon + 1)};
}

std::vector<std::uint8_t> bytes(const std::string& key, const std::string& text,
                                const std::filesystem::path& base) {
    if (!text.empty() && text[0] == '@') {
        const auto path = base / text.substr(1);
        std::ifstream in(path, std::ios::binary);
        if (!in) throw std::invalid_argument(key + ": cannot read " + path.string());
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    if (text.size() % 2) throw std::invalid_argument(key + ": odd number of hex digits");
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const auto pair = text.substr(i, 2);
        if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            throw std::invalid_argument(key + ": not hex digits: \"" + pair + "\"");
        out.push_back(std::uint8_t(std::stoul(pair, nullptr, 16)));
    }
    return out;
}

HexKeys merged(const HexKeys& defaults, const HexKeys& keys) {
    HexKeys all = keys;
    for (const auto& [key, value] : defaults)
        if (!keys.count(key)) all.emplace(key, value);
    return all;
}

} // namespace

HexKeys parseHexKeys(const std::vector<std::string>& tokens) {
    static const char* known[] = {"out",   "family", "flash", "eeprom", "seed",   "code",   "entry",
                                  "reset", "eedata", "block", "config", "record", "vectors"};
    HexKeys keys;
    for (const auto& token : tokens) {
        const auto eq = token.find('=');
        if (eq == std::string::npos || eq == 0)
            throw std::invalid_argument("expected key=value, got \"" + token + "\"");
        const auto key = token.substr(0, eq);
        bool ok = false;
        for (const auto* k : known)
            ok = ok || key == k;
        if (!ok) throw std::invalid_argument("unknown key \"" + key + "\"");
        keys.emplace(key, token.substr(eq + 1));
    }
    return keys;
}

HexJob makeHexJob(const HexKeys& defaults, const HexKeys& lineKeys, const std::filesystem::path& base) {
    const auto keys = merged(defaults, lineKeys);
    auto one = [&](const std::string& key) -> const std::string* {
        const auto range = keys.equal_range(key);
        if (range.first == range.second) return nullptr;
        if (std::next(range.first) != range.second) throw std::invalid_argument(key + ": given twice");
        return &range.first->second;
    };
    HexJob job;
    auto& recipe = job.recipe;
    const auto* out = one("out");
    if (!out || out->empty()) throw std::invalid_argument("out: missing");
    job.out = base / *out;
    if (const auto* v = one("family")) recipe.part.family = int(number("family", *v));
    const auto* flash = one("flash");
    if (!flash) throw std::invalid_argument("flash: missing");
    const auto [fs, fe] = split("flash", *flash);
    recipe.part.flashStart = number("flash", fs);
    recipe.part.flashEnd = number("flash", fe);
    if (const auto* v = one("eeprom")) {
        const auto [es, ee] = split("eeprom", *v);
        recipe.part.eepromStart = number("eeprom", es);
        recipe.part.eepromEnd = number("eeprom", ee);
    }
    if (const auto* v = one("seed")) recipe.seed = number("seed", *v);
    if (const auto* v = one("entry")) recipe.entry = number("entry", *v);
    if (const auto* v = one("reset")) {
        if (*v != "goto" && *v != "none") throw std::invalid_argument("reset: expected goto or none");
        recipe.resetGoto = *v == "goto";
    }
    if (const auto* v = one("vectors")) recipe.interruptHandler = number("vectors", *v);
    if (const auto* v = one("record")) recipe.recordBytes = number("record", *v);
    if (const auto* v = one("eedata")) recipe.eeprom = bytes("eedata", *v, base);
    for (auto [it, end] = keys.equal_range("code"); it != end; ++it) {
        const auto [s, e] = split("code", it->second);
        recipe.code.push_back({number("code", s), number("code", e)});
    }
    for (auto [it, end] = keys.equal_range("block"); it != end; ++it) {
        const auto [a, data] = split("block", it->second);
        recipe.blocks.push_back({number("block", a), bytes("block", data, base)});
    }
    for (auto [it, end] = keys.equal_range("config"); it != end; ++it) {
        const auto [a, v] = split("config", it->second);
        recipe.config.emplace_back(number("config", a), number("config", v));
    }
    return job;
}

std::vector<HexJob> readHexManifest(const std::filesystem::path& manifest) {
    std::ifstream in(manifest);
    if (!in) throw std::runtime_error("cannot read " + manifest.string());
    const auto base = manifest.parent_path();
    HexKeys defaults;
    std::vector<HexJob> jobs;
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> tokens{std::istream_iterator<std::string>(words),
                                        std::istream_iterator<std::string>()};
        if (tokens.empty()) continue;
        try {
            if (tokens.front() == "defaults") {
                tokens.erase(tokens.begin());
                const auto given = parseHexKeys(tokens);
                for (const auto& kv : given)
                    defaults.erase(kv.first);
                defaults.insert(given.begin(), given.end());
                continue;
            }
            jobs.push_back(makeHexJob(defaults, parseHexKeys(tokens), base));
        } catch (const std::exception& e) {
            throw std::invalid_argument(manifest.string() + ":" + std::to_string(lineNo) + ": " + e.what());
        }
    }
    return jobs;
}

bool writeFileIfChanged(const std::filesystem::path& path, const std::string& text) {
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::string old{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            if (old == text) return false;
        }
    }
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    const auto temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw std::runtime_error("cannot write " + temp);
        out.write(text.data(), std::streamsize(text.size()));
        if (!out.flush()) throw std::runtime_error("cannot write " + temp);
    }
    std::filesystem::rename(temp, path);
    return true;
}

} // namespace tools
