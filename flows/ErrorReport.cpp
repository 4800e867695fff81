#include "ErrorReport.h"

#include "encoders/Encoder.h"
#include "transport/FtdiException.h"

#include <fmt/format.h>

namespace vantix {

std::optional<ErrorMessage> describeException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const RVX::Exception& e) {
        return ErrorMessage{
            "RVX Error", fmt::format("Communication error with RVX encoder.\nPlease ensure that encoder is "
                                     "connected to RVX-LINK programming module.\n\n{} : {:X}",
                                     e.what(), e.code())};
    } catch (const FTDI::Exception& e) {
        return ErrorMessage{"Programming module error",
                            fmt::format("Programming module error.\nPlease ensure that RVX-LINK programming "
                                        "module is connected to your computer.\n\n{} : {}",
                                        e.what(), e.status())};
    } catch (const std::exception& e) {
        return ErrorMessage{"RVX Vantix error", fmt::format("RVX Vantix error.\n{}", e.what())};
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace vantix
