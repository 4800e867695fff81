// Wrong, late, endless and missing replies: each fails its step with its
// status, the encoder is reset and settles in its application or its
// bootloader, and a retry without the fault completes the update.
#include "BlockBench.h"

#include <chrono>

using namespace blocktest;
using namespace std::chrono_literals;

namespace {

struct Fault {
    Options options;
    const char* message;
    std::uint32_t status;
    Mode settles; // the bootloader waits once a block was erased
};

} // namespace

TEST(BlockFaults, EachWrongReplyFailsItsStepAndTheEncoderIsResetAndCanBeUpdatedAgain) {
    // Commands of a stay in the bootloader: 1 "i", 2 "KVB", then six a block.
    const Fault faults[] = {
        {{{"late", "1"}}, "ID response error", 0, Mode::Application},
        {{{"babble", "1"}}, "ID response error", 257, Mode::Application},
        {{{"cr", ""}}, "Unlock failed", '*', Mode::Application},
        {{{"babble", "2"}}, "Unlock failed", '3', Mode::Application},
        {{{"late", "21"}}, "m response error", 0, Mode::Bootloader},
        {{{"nak", "0"}, {"nakcmd", "b"}}, "b response error", 'E', Mode::Application},
        {{{"nak", "3"}}, "u response error", 'E', Mode::Bootloader},
        {{{"powerloss", "4"}}, "u response error", 0, Mode::Bootloader},
        {{{"nak", "7"}, {"nakcmd", "R"}}, "R response error", 0, Mode::Application},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.options.begin()->first);
        auto options = fault.options;
        options["once"] = ""; // the fault strikes once, and the retry meets none
        BlockBench b(options);
        const auto bytes = image(7232, 9);
        const auto slept = b.bench->totals().slept;
        b.expectFailure(bytes, fault.message, fault.status);
        // Entering took 5 + 5 ms, the reset pulse 5 ms and 200 ms after it.
        EXPECT_EQ(215ms, b.bench->totals().slept - slept);
        EXPECT_FALSE(b.bootloader().resets().back().breakHeld);
        b.expectSettled(fault.settles);

        b.lines.clear();
        b.program(bytes);
        b.expectHolds(bytes);
        EXPECT_EQ(Mode::Application, b.bootloader().mode());
    }
}

TEST(BlockFaults, AFailureWhileResettingIsDroppedAndTheFirstErrorPassedOn) {
    // The module goes away just as the "i" goes unanswered, so the reset
    // cannot be given; the caller still learns what went wrong first.
    BlockBench b(Options{{"late", "1"}});
    b.onLine = [&] { b.module->unplug(); };
    b.expectFailure(image(7232), "ID response error", 0);
}

TEST(BlockFaults, AnEntryThatFailsUnderTheBreakEndsTheBreakBeforeTheReset) {
    BlockBench b;
    b.module->failCalls(FTDI::IO_ERROR, 2); // the reset's release while the break holds the line
    try {
        b.program(image(7232));
        ADD_FAILURE() << "no exception";
    } catch (const FTDI::Exception& e) {
        EXPECT_EQ(FTDI::IO_ERROR, e.status());
    }
    b.expectSettled(Mode::Application);
}
