#pragma once
// Checks that a call fails with a given programming-module message and status.
#include "transport/FtdiException.h"

#include <gtest/gtest.h>

#include <string>

namespace test {

template <class F> void expectFtdiError(F&& call, const std::string& message, FTDI::Status status) {
    try {
        call();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const FTDI::Exception& e) {
        EXPECT_EQ(message, e.what());
        EXPECT_EQ(status, e.status());
    }
}

} // namespace test
