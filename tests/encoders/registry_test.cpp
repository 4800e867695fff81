// The model registry against the simulated bench, which keeps its own device
// tables: every model the program can connect to must exist on the bench,
// reached the same way, and the bench offers no model the program lacks.
#include "encoders/Registry.h"
#include "sim/Catalog.h"

#include <gtest/gtest.h>

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

} // namespace
