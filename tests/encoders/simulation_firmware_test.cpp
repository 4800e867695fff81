// The simulation firmware set must never reach a real encoder: over a platform
// that talks to hardware, a re-flash is refused before a byte is sent.
#include "encoders/FirmwareSet.h"
#include "encoders/rvx46_47/RVX46_47.h"
#include "encoders/rvx84_86/RVX84_86.h"
#include "sim/Bench.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

namespace {

TEST(SimulationFirmwareOnHardware, EveryReflashIsRefusedBeforeAnythingIsSent) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "built with the maker's firmware images";
    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
    bench->add("RVX46", sim::ModelOptions(std::map<std::string, std::string>{{"fw", "0x14"}}));
    bench->add("RVX84");
    RVX::RVX46 incremental(0);
    RVX::RVX84 commutation(1);
    const StatusCallback ignore = [](const std::string&) {};
    {
        // The connected encoders now sit behind the hardware backend, whose every
        // call is recorded (and would find no such open device).
        auto hardware = std::make_shared<test::RecordingPlatform>(FTDI::makeLibftdiPlatform());
        test::PlatformGuard installed(hardware);
        try {
            incremental.update_firmware(ignore);
            ADD_FAILURE() << "update_firmware went ahead";
        } catch (const RVX::Exception& e) {
            EXPECT_STREQ(e.what(), "This program carries firmware images for the simulated bench only; "
                                   "they are not sent to a real RVX46 encoder");
        }
        EXPECT_THROW(incremental.set_resolution(2048, ignore), RVX::Exception);
        EXPECT_THROW(commutation.set_commutation(1024, 8, true, ignore), RVX::Exception);
        EXPECT_EQ(hardware->calls, std::vector<std::string>{});
    }
}

} // namespace
