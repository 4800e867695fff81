// Every model at once: the registry against the simulated bench, which keeps
// its own device tables (every model the program can connect to must exist on
// the bench, reached the same way, and the bench offers no model the program
// lacks), and the simulation firmware set, which must never reach a real
// encoder.
#include "encoder_bench.h"
#include "encoders/Registry.h"
#include "sim/Catalog.h"
#include "support/RecordingPlatform.h"

#include <set>
#include <string>

namespace {

TEST(ModelRegistry, AgreesWithTheBenchOnEveryModelAndHowItIsReached) {
    std::set<std::string> names;
    for (const auto& model : RVX::models()) {
        names.insert(model.name);
        EXPECT_EQ(RVX::find_model(model.name), &model);
        if (!model.create) continue;
        const auto* bench = sim::findModel(model.name);
        ASSERT_NE(bench, nullptr) << model.name << " has a driver but no bench model";
        EXPECT_EQ(bench->spi, model.link == RVX::ModuleLink::Spi) << model.name;
    }
    EXPECT_EQ(names.size(), 11u);
    EXPECT_EQ(RVX::find_model("RVX99"), nullptr);

    // The default bench: one module per model, and variants named "<model>-..." of one.
    for (const auto& entry : sim::catalog()) {
        if (!entry.inDefaultBench) continue;
        const auto model = entry.name.substr(0, entry.name.find('-'));
        EXPECT_TRUE(names.count(model)) << entry.name << " is on the bench but not in the registry";
    }
}

// Over a platform that talks to hardware, every re-flash of every family is
// refused before a byte is sent.
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
        EXPECT_TRUE(failsWith([&] { encoder->update_firmware(ignore); },
                              "This program carries firmware images for the simulated bench only; "
                              "they are not sent to a real " +
                                  std::string(encoder->name()) + " encoder",
                              0u));
    }
    EXPECT_THROW(encoders[0]->set_resolution(2048, ignore), RVX::Exception);
    EXPECT_THROW(encoders[1]->set_commutation(1024, 8, true, ignore), RVX::Exception);
    EXPECT_EQ(hardware->calls, std::vector<std::string>{});
}

} // namespace
