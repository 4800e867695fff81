// Intel HEX import: the text as the bootload session loads it into the memory
// image of a part (the first byte picks one of each bootloader family), with
// the reset jump moved and PIC24 vectors routed, then the erase list and the
// write plan made from the image.
#include "AN1310/BootloadSession.h"
#include "PicBench.h"
#include "Script.h"

#include <sstream>

namespace {

struct ConnectedSessions {
    fuzz::PicBench bench;
    std::vector<std::unique_ptr<AN1310::BootloadSession>> sessions;

    ConnectedSessions() {
        for (std::size_t i = 0; i < bench.size(); ++i) {
            sessions.push_back(std::make_unique<AN1310::BootloadSession>(bench.link(i)));
            sessions.back()->connect();
        }
    }
};

ConnectedSessions& connected() {
    static ConnectedSessions sessions;
    return sessions;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silenceBootloaderLogs();
    connected();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    auto& sessions = connected().sessions;
    AN1310::BootloadSession& session = *sessions[data[0] % sessions.size()];
    std::istringstream hex(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    bool loaded = false;
    fuzz::asTheWindowWould([&] {
        session.loadImage(hex);
        loaded = true;
    });
    if (!loaded) return 0;
    AN1310::Device device = session.device();
    const AN1310::WritePlanner planner(&device);
    planner.eraseList();
    planner.writePlan(device.flashStart, device.flashEnd, session.hexImage());
    return 0;
}
