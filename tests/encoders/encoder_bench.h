#pragma once
// Shared by the encoder driver tests (and only included by them, so at global
// scope): catching a driver's error, and a bench of encoder models.
#include "encoders/Encoder.h"
#include "encoders/FirmwareSet.h"
#include "encoders/Registry.h"
#include "sim/Bench.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

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

// Whether `action` fails with the driver's error of this message and code.
template <class Action>
::testing::AssertionResult failsWith(Action&& action, std::string_view message, std::uint32_t code) {
    try {
        action();
    } catch (const RVX::Exception& e) {
        if (e.what() == message && e.code() == code) return ::testing::AssertionSuccess();
        std::ostringstream failure;
        failure << "failed with \"" << e.what() << "\", code 0x" << std::hex << e.code();
        return ::testing::AssertionFailure() << failure.str();
    }
    return ::testing::AssertionFailure() << "did not fail";
}

// A bench of encoder models of one kind, each with a still shaft unless the
// test says otherwise, so positions are exact.
template <class Device> class EncoderBench : public ::testing::Test {
protected:
    sim::Module& addEncoder(const std::string& model, std::map<std::string, std::string> options = {}) {
        options.emplace("rpm", "0");
        return bench->add(model, sim::ModelOptions(std::move(options)));
    }
    // Adds an encoder model and connects its driver to it.
    std::unique_ptr<RVX::Encoder> open(const std::string& model,
                                       std::map<std::string, std::string> options = {}) {
        addEncoder(model, std::move(options));
        return RVX::create_encoder(model.substr(0, 5), lastIndex());
    }
    Device& device(std::size_t index = 0) { return bench->module(index).template device<Device>(); }
    std::uint32_t lastIndex() { return static_cast<std::uint32_t>(bench->size() - 1); }
    Device& last() { return device(lastIndex()); }
    std::uint64_t hostBytes() { return bench->module(lastIndex()).counters.bytesToDevice; }
    // The commands the last encoder's firmware received while `action` ran.
    template <class Action> auto sentBy(Action&& action) {
        const auto& all = last().commands();
        const auto from = all.size();
        action();
        return std::decay_t<decltype(all)>(all.begin() + static_cast<long>(from), all.end());
    }

    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
};

// Re-flashing on the bench: its encoders run only the simulation images, and
// the status lines are kept.
template <class Device> class ReflashBench : public EncoderBench<Device> {
protected:
    void SetUp() override {
        if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "built with the maker's firmware images";
    }
    StatusCallback record = [this](const std::string& line) { status.push_back(line); };
    std::vector<std::string> status;
};
