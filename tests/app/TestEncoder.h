#pragma once
// A driver for GUI tests: the accessors it offers, the values it reports and
// the failures it raises are set per test; every call is logged.
#include "encoders/Encoder.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace vantix::test {

enum class Accessor {
    Resolution,  // get_resolution, set_resolution, resolutions
    Commutation, // get_poles, get_direction, set_commutation
    Address,     // get_address, set_address
    BaudRate,    // get_baud_rate, set_baud_rate
    Termination, // get_termination, set_termination
    Zero,
    ReadPosition,
    UpdateFirmware,
};

// What the driver reports and does; shared with the test so that it outlives the driver.
struct DriverScript {
    std::set<Accessor> accessors;
    std::uint8_t firmware = 0x15;
    std::uint8_t latestFirmware = 0x15;
    std::uint16_t datecode = 2519;
    std::uint16_t resolution = 1024;
    bool direction = false;
    std::uint8_t address = 0x08;
    std::uint32_t baudRate = 38400;
    bool termination = false;
    std::uint16_t position = 0;
    std::vector<unsigned char> picture; // none: the placeholder

    // Calls in order, e.g. "set_resolution 2048".
    std::vector<std::string> log;
    // Per call name, exceptions the next calls throw (one each, in order).
    std::map<std::string, std::deque<std::exception_ptr>> failures;
    // Runs inside every call, after logging it (for looking at the window mid-flow).
    std::function<void(const std::string& call)> during;
    // Replaces the status lines of a reflash: gets the caller's status callback.
    std::function<void(const StatusCallback&)> reflash;

    template <class E> void fail(const std::string& call, E error, int times = 1) {
        for (int i = 0; i < times; ++i)
            failures[call].push_back(std::make_exception_ptr(error));
    }
    // Calls logged so far that start with `prefix`.
    std::size_t count(const std::string& prefix) const {
        return std::ranges::count_if(log, [&](const std::string& call) { return call.starts_with(prefix); });
    }
};

class TestEncoder : public RVX::Encoder {
public:
    explicit TestEncoder(std::shared_ptr<DriverScript> script) : script_(std::move(script)) {
        part_number = "RVXTEST";
        picture = script_->picture;
        auto has = [this](Accessor a) { return script_->accessors.contains(a); };
        if (has(Accessor::Resolution)) {
            static constexpr std::uint64_t resolutionList[] = {500, 1000, 1024, 2048};
            resolutions = resolutionList;
            get_resolution = [this] { return call("get_resolution"), script_->resolution; };
            set_resolution = [this](std::uint16_t r, StatusCallback status) {
                call("set_resolution " + std::to_string(r), &status);
                script_->resolution = r;
            };
        }
        if (has(Accessor::Commutation)) {
            get_poles = [this] { return call("get_poles"), std::uint8_t{4}; };
            get_direction = [this] { return call("get_direction"), script_->direction; };
            set_commutation = [this](std::uint16_t r, std::uint8_t poles, bool ccw, StatusCallback status) {
                call("set_commutation " + std::to_string(r) + " " + std::to_string(poles) +
                         (ccw ? " ccw" : " cw"),
                     &status);
            };
        }
        if (has(Accessor::Address)) {
            get_address = [this] { return call("get_address"), script_->address; };
            set_address = [this](std::uint8_t a) { call("set_address " + std::to_string(a)); };
        }
        if (has(Accessor::BaudRate)) {
            get_baud_rate = [this] { return call("get_baud_rate"), script_->baudRate; };
            set_baud_rate = [this](std::uint32_t b, StatusCallback status) {
                call("set_baud_rate " + std::to_string(b), &status);
            };
        }
        if (has(Accessor::Termination)) {
            get_termination = [this] { return call("get_termination"), script_->termination; };
            set_termination = [this](bool on) {
                call(std::string("set_termination ") + (on ? "on" : "off"));
            };
        }
        if (has(Accessor::Zero)) zero = [this] { call("zero"); };
        if (has(Accessor::ReadPosition))
            read_position = [this] { return call("read_position"), script_->position; };
        if (has(Accessor::UpdateFirmware))
            update_firmware = [this](StatusCallback status) { call("update_firmware", &status); };
    }

    bool is_absolute() override { return call("is_absolute"), false; }
    void connect() override { call("connect"); }
    const char* name() override { return "RVXTEST"; }
    const char* datasheet_url() override { return "/product/resource/rvxtest.pdf"; }
    bool counts_counter_clockwise() override { return call("counts_counter_clockwise"), false; }
    void restore_defaults() override { call("restore_defaults"); }
    std::uint8_t firmware_version() override { return call("firmware_version"), script_->firmware; }
    std::uint8_t latest_firmware_version() override {
        return call("latest_firmware_version"), script_->latestFirmware;
    }
    std::uint16_t model_code() override { return call("model_code"), 0x42; }
    std::uint8_t last_programmed_by() override { return call("last_programmed_by"), 0x30; }
    std::uint16_t datecode() override { return call("datecode"), script_->datecode; }
    void set_datecode(std::uint16_t) override { call("set_datecode"); }
    RVX::TimePoint last_program_date() override {
        return call("last_program_date"), RVX::unpack_program_date(0x3221);
    }
    void set_last_program_date(RVX::TimePoint) override { call("set_last_program_date"); }
    void diagnostics(std::ostream& out, std::function<void()> step) override {
        call("diagnostics");
        write_diagnostics_header(out);
        for (int channel = 1; channel <= 3; ++channel) {
            out << "Channel " << channel << ": ok\n";
            step();
            call("diagnostics step");
        }
    }

private:
    // Logs a call and raises its scripted failure; a re-flash also reports its progress lines.
    void call(const std::string& what, const StatusCallback* status = nullptr) {
        script_->log.push_back(what);
        if (script_->during) script_->during(what);
        auto& failures = script_->failures[what.substr(0, what.find(' '))];
        if (!failures.empty()) {
            const auto error = failures.front();
            failures.pop_front();
            std::rethrow_exception(error);
        }
        if (!status) return;
        if (script_->reflash) return script_->reflash(*status);
        (*status)("Erasing");
        (*status)("Programming complete. Resetting encoder...");
    }
    std::shared_ptr<DriverScript> script_;
};

} // namespace vantix::test
