#include "PicBench.h"

#include "sim/pic/PicPart.h"

namespace fuzz {

PicBench::PicBench() {
    for (const auto& part : sim::picParts())
        bench_->add("pic-bootloader", sim::ModelOptions({{"part", part.name}}));
    for (std::uint32_t i = 0; i < bench_->size(); ++i) {
        links_.push_back(std::make_unique<FTDI::UartLink>(i));
        links_.back()->setBaudRate(115200);
        links_.back()->setTimeouts(300, 300);
    }
}

} // namespace fuzz
