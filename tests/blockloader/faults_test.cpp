// Wrong, late, endless and missing replies: each fails its step with its
// status, the encoder is reset and settles in its application or its
// bootloader, and a retry without the fault completes the update.
#include "BlockBench.h"

#include <chrono>

using namespace blocktest;
using namespace std::chrono_literals;

TEST(BlockFaults, EachWrongReplyFailsItsStepAndTheEncoderIsResetAndCanBeUpdatedAgain) {
    const struct {
        Options options;
        const char* message;
        std::uint32_t status;
        Mode settles; // the bootloader waits once a block was erased
    } faults[] = {
        // Commands of a stay in the bootloader: 1 "i", 2 "KVB", then six a block.
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

        b.program(bytes);
        b.expectHolds(bytes);
    }
}

TEST(BlockFaults, AnEntryThatFailsUnderTheBreakEndsTheBreakBeforeTheReset) {
    BlockBench b;
    b.module->failCalls(FTDI::IO_ERROR, 2); // the reset's release while the break holds the line
    EXPECT_THROW(b.program(image(7232)), FTDI::Exception);
    b.expectSettled(Mode::Application);
}
