// devices.db as the bootload session reads it: the fuzzer's bytes are the
// database file in the working directory. A session connects to a bench PIC
// (the first byte picks one of each bootloader family), looks its part up,
// loads an image for it and plans the erase and the writes.
#include "AN1310/BootloadSession.h"
#include "Images.h"
#include "PicBench.h"
#include "Script.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::filesystem::path& scratch() {
    static std::filesystem::path directory;
    return directory;
}

fuzz::PicBench& bench() {
    static fuzz::PicBench pics;
    return pics;
}

// The session looks for devices.db in the working directory first; the
// fuzzer's own paths may be relative, so the scratch folder is the working
// directory only while a session runs.
class InScratch {
public:
    InScratch() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(scratch()); }
    ~InScratch() { std::filesystem::current_path(previous_); }
    InScratch(const InScratch&) = delete;
    InScratch& operator=(const InScratch&) = delete;

private:
    std::filesystem::path previous_;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silenceBootloaderLogs();
    std::string pattern = (std::filesystem::temp_directory_path() / "vantix-fuzz-db-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    scratch() = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(scratch(), ignored);
    });
    bench();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t part = data[0] % bench().size();
    {
        std::ofstream file(scratch() / "devices.db", std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    InScratch here;
    AN1310::BootloadSession session(bench().link(part));
    fuzz::asTheWindowWould([&] {
        session.connect();
        std::istringstream hex(fuzz::bootloaderImages().at(part));
        session.loadImage(hex);
        AN1310::Device device = session.device();
        const AN1310::WritePlanner planner(&device);
        planner.eraseList();
        planner.writePlan(device.flashStart, device.flashEnd, session.hexImage());
    });
    return 0;
}
