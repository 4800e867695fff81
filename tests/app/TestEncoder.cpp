#include "TestEncoder.h"

namespace vantix::test {

static constexpr std::uint64_t resolutionList[] = {500, 1000, 1024, 2048};

std::size_t DriverScript::count(const std::string& prefix) const {
    std::size_t n = 0;
    for (const auto& entry : log)
        n += entry.starts_with(prefix);
    return n;
}

TestEncoder::TestEncoder(std::shared_ptr<DriverScript> script) : script_(std::move(script)) {
    auto& s = *script_;
    if (s.constructorFailure) std::rethrow_exception(s.constructorFailure);
    part_number = s.partNumber.c_str();
    picture = s.picture;
    auto has = [&](Accessor a) { return s.accessors.contains(a); };
    if (has(Accessor::Resolution)) {
        resolutions = resolutionList;
        get_resolution = [this] { return call("get_resolution"), script_->resolution; };
        set_resolution = [this](std::uint16_t r, StatusCallback status) {
            call("set_resolution " + std::to_string(r), &status);
            script_->resolution = r;
        };
    }
    if (has(Accessor::Commutation)) {
        get_poles = [this] { return call("get_poles"), script_->poles; };
        get_direction = [this] { return call("get_direction"), script_->direction; };
        set_commutation = [this](std::uint16_t r, std::uint8_t poles, bool ccw, StatusCallback status) {
            call("set_commutation " + std::to_string(r) + " " + std::to_string(poles) + " " +
                     (ccw ? "ccw" : "cw"),
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
        set_termination = [this](bool on) { call(std::string("set_termination ") + (on ? "on" : "off")); };
    }
    if (has(Accessor::Zero)) zero = [this] { call("zero"); };
    if (has(Accessor::ReadPosition))
        read_position = [this] { return call("read_position"), script_->position; };
    if (has(Accessor::UpdateFirmware))
        update_firmware = [this](StatusCallback status) { call("update_firmware", &status); };
}

void TestEncoder::call(const std::string& what, const StatusCallback* status) {
    script_->log.push_back(what);
    if (script_->during) script_->during(what);
    const auto name = what.substr(0, what.find(' '));
    auto it = script_->failures.find(name);
    if (it != script_->failures.end() && !it->second.empty()) {
        auto error = it->second.front();
        it->second.pop_front();
        std::rethrow_exception(error);
    }
    if (!status) return;
    if (script_->reflash) return script_->reflash(*status);
    (*status)("Erasing");
    (*status)("Programming complete. Resetting encoder...");
}

void TestEncoder::diagnostics(std::ostream& out, std::function<void()> step) {
    call("diagnostics");
    write_diagnostics_header(out);
    for (int channel = 1; channel <= 3; ++channel) {
        out << "Channel " << channel << ": ok\n";
        step();
        call("diagnostics step");
    }
}

} // namespace vantix::test
