// The simulation firmware set must never reach a real encoder: over a platform
// that talks to hardware, every re-flash of every family is refused before a
// byte is sent.
#include "encoders/FirmwareSet.h"
#include "encoders/Registry.h"
#include "sim/Bench.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

namespace {

TEST(SimulationFirmwareOnHardware, EveryReflashIsRefusedBeforeAnythingIsSent) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "built with the maker's firmware images";
    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
    std::vector<std::unique_ptr<RVX::Encoder>> encoders;
    for (const char* model : {"RVX46", "RVX84", "RVX48", "RVX64"}) {
        bench->add(model, sim::ModelOptions(std::map<std::string, std::string>{{"fw", "3"}}));
        encoders.push_back(RVX::create_encoder(model, static_cast<std::uint32_t>(encoders.size())));
    }
    const StatusCallback ignore = [](const std::string&) {};
    // The connected encoders now sit behind the hardware backend, whose every
    // call is recorded (and would find no such open device).
    auto hardware = std::make_shared<test::RecordingPlatform>(FTDI::makeLibftdiPlatform());
    test::PlatformGuard installed(hardware);
    for (const auto& encoder : encoders) {
        try {
            encoder->update_firmware(ignore);
            ADD_FAILURE() << encoder->name() << ": update_firmware went ahead";
        } catch (const RVX::Exception& e) {
            EXPECT_EQ(e.what(),
                      std::string("This program carries firmware images for the simulated bench only; "
                                  "they are not sent to a real ") +
                          encoder->name() + " encoder");
        }
    }
    EXPECT_THROW(encoders[0]->set_resolution(2048, ignore), RVX::Exception);
    EXPECT_THROW(encoders[1]->set_commutation(1024, 8, true, ignore), RVX::Exception);
    EXPECT_EQ(hardware->calls, std::vector<std::string>{});
}

} // namespace
