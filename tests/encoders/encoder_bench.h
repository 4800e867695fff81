#pragma once
// Shared by the encoder driver tests: catching a driver's error, and a bench
// with RVX46-line encoder models (RVX46/47/84/86).
#include "encoders/Encoder.h"
#include "sim/Bench.h"
#include "sim/models/Rvx46Line.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace enctest {

// Runs `action` and returns the exception of type E it throws, failing the test if none.
template <class E = RVX::Exception, class Action> E thrownBy(Action&& action) {
    try {
        action();
    } catch (const E& e) {
        return e;
    }
    ADD_FAILURE() << "nothing of the expected type was thrown";
    throw std::logic_error("no exception");
}

class Rvx46LineBench : public ::testing::Test {
protected:
    // A still shaft unless the test says otherwise, so positions are exact.
    sim::Module& addEncoder(const std::string& model, std::map<std::string, std::string> options = {}) {
        options.emplace("rpm", "0");
        return bench->add(model, sim::ModelOptions(std::move(options)));
    }
    sim::Rvx46Line& device(std::size_t index = 0) { return bench->module(index).device<sim::Rvx46Line>(); }
    std::uint64_t hostBytes(std::size_t index = 0) { return bench->module(index).counters.bytesToDevice; }
    // The commands the encoder's firmware received from `from` on.
    std::vector<std::string> commandsSince(std::size_t from) {
        const auto& all = device().commands();
        return std::vector<std::string>(all.begin() + static_cast<long>(from), all.end());
    }
    std::size_t commandCount() { return device().commands().size(); }

    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
};

} // namespace enctest
