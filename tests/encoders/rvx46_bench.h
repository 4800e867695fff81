#pragma once
// A bench with one RVX46-line encoder model, for the RVX46/47/84/86 driver tests.
#include "sim/Bench.h"
#include "sim/models/Rvx46Line.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace rvx46test {

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
    std::vector<std::string> commandsSince(std::size_t from, std::size_t index = 0) {
        const auto& all = device(index).commands();
        return std::vector<std::string>(all.begin() + static_cast<long>(from), all.end());
    }
    std::size_t commandCount(std::size_t index = 0) { return device(index).commands().size(); }

    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
};

} // namespace rvx46test
