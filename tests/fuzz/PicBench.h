#pragma once
// A bench with one bare PIC behind the AN1310 bootloader for each part the
// bench knows (sim::picParts), installed as the platform while the object
// lives, and a link to each set up as the drivers set it for a re-flash.
#include "sim/Bench.h"
#include "transport/UartLink.h"

#include <memory>
#include <vector>

namespace fuzz {

class PicBench {
public:
    PicBench();
    std::size_t size() const { return links_.size(); }
    FTDI::UartLink& link(std::size_t part) { return *links_.at(part); }

private:
    sim::BenchGuard bench_{std::make_shared<sim::Bench>()};
    std::vector<std::unique_ptr<FTDI::UartLink>> links_;
};

} // namespace fuzz
