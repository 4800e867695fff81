// Writes the fuzz targets' seeds into a corpus folder (its one argument), one
// folder per target: the replies the bench's own encoder and bootloader
// models give the program's steps, the images the loader targets send, a
// devices.db cut down to one part, and texts for the description and
// version-document parsers. Run again when a protocol changes.
#include "AN1310/BootloadSession.h"
#include "EncoderSteps.h"
#include "Images.h"
#include "Script.h"
#include "blockloader/Hexldr.h"
#include "sim/sim.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>

namespace {

namespace fs = std::filesystem;
using fuzz::Bytes;

// The device's end of the line, passed on to the model, with what the model
// sends kept.
class CapturingPort final : public sim::Port {
public:
    CapturingPort(sim::Port& port, Bytes& sent) : port_(port), sent_(sent) {}
    const sim::LineState& line() const override { return port_.line(); }
    void send(std::span<const std::uint8_t> bytes, std::chrono::microseconds delay) override {
        sent_.insert(sent_.end(), bytes.begin(), bytes.end());
        port_.send(bytes, delay);
    }
    void discardPending() override { port_.discardPending(); }
    sim::Clock::time_point now() const override { return port_.now(); }

private:
    sim::Port& port_;
    Bytes& sent_;
};

// A bench model whose answer to each write of the host goes into a reply
// script. What it sends on its own (after a reset) is not the answer to a
// write, and the host purges it.
class RecordingUart final : public sim::UartDevice {
public:
    RecordingUart(std::unique_ptr<sim::UartDevice> model, Bytes& script)
        : model_(std::move(model)), script_(script) {}
    void opened(sim::Port& port) override { model_->opened(port); }
    void closed() override { model_->closed(); }
    void lineChanged(const sim::LineState& before, sim::Port& port) override {
        model_->lineChanged(before, port);
    }
    void receive(std::span<const std::uint8_t> bytes, sim::Port& port) override {
        Bytes reply;
        CapturingPort capturing(port, reply);
        model_->receive(bytes, capturing);
        fuzz::appendReply(script_, reply);
    }

private:
    std::unique_ptr<sim::UartDevice> model_;
    Bytes& script_;
};

class RecordingSpi final : public sim::SpiDevice {
public:
    RecordingSpi(std::unique_ptr<sim::SpiDevice> model, Bytes& script)
        : model_(std::move(model)), script_(script) {}
    void opened(sim::Clock::time_point now) override { model_->opened(now); }
    std::uint8_t exchange(std::uint8_t mosi, sim::Clock::time_point now) override {
        script_.push_back(model_->exchange(mosi, now));
        return script_.back();
    }

private:
    std::unique_ptr<sim::SpiDevice> model_;
    Bytes& script_;
};

class Corpus {
public:
    explicit Corpus(fs::path folder) : folder_(std::move(folder)) {}

    void write(const std::string& target, const std::string& name, const Bytes& bytes) {
        const auto dir = folder_ / target;
        fs::create_directories(dir);
        std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + (dir / name).string());
        std::cout << target << "/" << name << ": " << bytes.size() << " bytes\n";
    }
    void write(const std::string& target, const std::string& name, const std::string& text) {
        write(target, name, Bytes(text.begin(), text.end()));
    }

private:
    fs::path folder_;
};

// `selector` first, then the script.
Bytes selected(std::size_t selector, const Bytes& script) {
    Bytes seed{static_cast<std::uint8_t>(selector)};
    seed.insert(seed.end(), script.begin(), script.end());
    return seed;
}

sim::ModelOptions options(std::map<std::string, std::string> values) {
    values.emplace("rpm", "0"); // a still shaft: the same replies on every run
    return sim::ModelOptions(std::move(values));
}

Bytes recordEncoder(const std::string& catalogName, const std::string& driver,
                    std::map<std::string, std::string> values, fuzz::Settings settings) {
    Bytes script;
    const sim::ModelEntry* entry = sim::findModel(catalogName);
    std::optional<fuzz::OneModuleBench> bench;
    if (entry->spi)
        bench.emplace(std::make_unique<RecordingSpi>(entry->makeSpi(options(values)), script));
    else
        bench.emplace(std::make_unique<RecordingUart>(entry->makeUart(options(values)), script));
    fuzz::runEncoder(driver, settings);
    return script;
}

void recordDrivers(Corpus& corpus) {
    const struct {
        const char* target;
        const char* models[4];
        fuzz::Settings settings;
    } families[] = {
        {"fuzz_echoing", {"RVX46", "RVX47", "RVX84", "RVX86"}, fuzz::Settings::Reflashed},
        {"fuzz_terse", {"RVX65", "RVX68", "RVX62", "RVX69"}, fuzz::Settings::Reflashed},
        {"fuzz_block_drivers", {"RVX48", "RVX64"}, fuzz::Settings::Written},
    };
    for (const auto& family : families)
        for (std::size_t i = 0; i < 4 && family.models[i]; ++i)
            corpus.write(family.target, family.models[i],
                         selected(i, recordEncoder(family.models[i], family.models[i], {}, family.settings)));
    // Variants that take other paths through the drivers.
    corpus.write(
        "fuzz_terse", "RVX652B",
        selected(0, recordEncoder("RVX65", "RVX65", {{"part", "RVX652B"}}, fuzz::Settings::Reflashed)));
    corpus.write(
        "fuzz_block_drivers", "RVX64-termination",
        selected(1, recordEncoder("RVX64", "RVX64", {{"fw", "7"}, {"datecode", "3425"}, {"termination", "1"}},
                                  fuzz::Settings::Written)));
    corpus.write("fuzz_block_drivers", "RVX48-oldfw",
                 selected(0, recordEncoder("RVX48", "RVX48", {{"fw", "3"}}, fuzz::Settings::Written)));
    corpus.write("fuzz_rvx63", "RVX63", recordEncoder("RVX63", "RVX63", {}, fuzz::Settings::Written));
}

void recordLoaders(Corpus& corpus) {
    const auto& parts = sim::picParts();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        Bytes script;
        auto model = sim::PicBootloaderDevice::create(sim::ModelOptions({{"part", parts[i].name}}));
        fuzz::OneModuleBench bench(std::make_unique<RecordingUart>(std::move(model), script));
        FTDI::UartLink link(0);
        link.setBaudRate(115200);
        link.setTimeouts(300, 300);
        AN1310::reflash(link, fuzz::bootloaderImages()[i], [](const std::string&) {});
        corpus.write("fuzz_an1310", parts[i].name, selected(i, script));
        corpus.write(
            "fuzz_hex_import", parts[i].name,
            selected(i, Bytes(fuzz::bootloaderImages()[i].begin(), fuzz::bootloaderImages()[i].end())));
    }
    for (unsigned blocks = 1; blocks <= 4; ++blocks) {
        Bytes script;
        auto model = sim::BlockBootloaderDevice::create(sim::ModelOptions());
        fuzz::OneModuleBench bench(std::make_unique<RecordingUart>(std::move(model), script));
        FTDI::UartLink link(0);
        link.setBaudRate(2000000);
        link.setTimeouts(300, 300);
        hexldr::programImage(link, fuzz::blockImage(blocks), [](const std::string&) {});
        corpus.write("fuzz_blockloader", std::to_string(blocks) + "-blocks", selected(blocks - 1, script));
    }
}

// HEX records the generated images do not use: segment addresses, block
// extras, a record cut short and one past the end of the address space.
void writeHexTexts(Corpus& corpus) {
    corpus.write("fuzz_hex_import", "records",
                 std::string(1, '\1') + ":020000021000EC\r\n:0400000001020304F2\r\n:020000040001F9\r\n"
                                        ":1000000040414243444546474849404142434445FC\r\n:10000040\r\n"
                                        ":020000040FFFEC\r\n:04FFFE00AABBCCDDA7\r\n:00000001FF\r\n");
}

void writeDatabases(Corpus& corpus, const fs::path& database) {
    const auto& parts = sim::picParts();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto file = fs::temp_directory_path() / ("vantix-seed-" + std::to_string(i) + ".db");
        fs::remove(file);
        {
            SQLite::Database db(file.string(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            db.exec("PRAGMA page_size = 512");
            db.exec("ATTACH DATABASE '" + database.string() + "' AS source");
            SQLite::Statement schema(db, "select sql from source.sqlite_master where sql is not null "
                                         "order by type desc"); // tables before indexes
            while (schema.executeStep())
                db.exec(schema.getColumn(0).getString());
            const std::string ofPart =
                " where DEVICEROWID in (select DEVICEROWID from source.DEVICES where PARTNAME = '" +
                parts[i].name + "')";
            for (const char* table : {"DEVICES", "CONFIGWORDS", "CONFIGFIELDS", "CONFIGSETTINGS"})
                db.exec(std::string("insert into main.") + table + " select * from source." + table + ofPart);
            db.exec("DETACH DATABASE source");
            db.exec("VACUUM");
        }
        std::ifstream in(file, std::ios::binary);
        Bytes bytes(std::istreambuf_iterator<char>(in), {});
        fs::remove(file);
        corpus.write("fuzz_devices_db", parts[i].name, selected(i, bytes));
    }
}

void writeTexts(Corpus& corpus) {
    const std::pair<const char*, const char*> descriptions[] = {
        {"models", "RVX46:fw=0x14,seed=5,flip=0.001;RVX63:count=2;line=wire:latency=1"},
        {"faults", "RVX65:drop=0.01,junk=0.02,both,arm=40,truncate=3,delay=5,seed=9;RVX48:fail=30:4"},
        {"options", "RVX63:fw=0x14,code=0x63,station=0x30,datecode=2025,resolution=512,waits=3,rpm=2.5,"
                    "position=100,boot=20;RVX64:termination=1,rpm=10,shaft=7;line=instant"},
        {"loaders",
         "pic-bootloader:part=PIC24FJ64GA002,erase=1,extras=1;block-bootloader:rows=4,app=0;echo;spi-echo"},
    };
    for (const auto& [name, text] : descriptions)
        corpus.write("fuzz_bench_description", name, text);

    const std::pair<const char*, const char*> documents[] = {
        {"newer", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vantix>\n  <version>3.0.0.1</version>\n"
                  "  <version> 3.1.0.0 </version>\n</vantix>\n"},
        {"odd", "<vantix><version>4294967295.0.0.0</version><version>3.0.0</version><!-- x -->"
                "<other><version>9.9.9.9</version></other><version>3.0.0.0.0</version></vantix>"},
    };
    for (const auto& [name, text] : documents)
        corpus.write("fuzz_version_document", name, text);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_record_seeds <corpus folder>\n";
        return 2;
    }
    try {
        fuzz::silenceBootloaderLogs();
        Corpus corpus{fs::path(argv[1])};
        recordDrivers(corpus);
        recordLoaders(corpus);
        writeHexTexts(corpus);
        writeDatabases(corpus, fs::path(argv[0]).parent_path() / "devices.db");
        writeTexts(corpus);
    } catch (const std::exception& e) {
        std::cerr << "fuzz_record_seeds: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
