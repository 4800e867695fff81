#include "Outcome.h"

#include "flows/ErrorReport.h"

namespace vantix::cli {

Reported report(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const Failure& failure) {
        return {failure.code(), failure.what()};
    } catch (...) {
        const auto message = describeException(std::current_exception());
        return {EncoderError, message ? message->text : "Unknown error"};
    }
}

} // namespace vantix::cli
