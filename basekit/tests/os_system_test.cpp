#include "basekit/platform/os_system.h"

#include <csignal>
#include <unistd.h>

#include <gtest/gtest.h>

namespace bk {
namespace {

// A request to end no longer ends the process: each one is a byte on the
// pipe, read without blocking, and nothing else is.
TEST(OsSystem, EndRequestsArriveAsBytesOnThePipe) {
    const int requests = os::end_request_descriptor();
    ASSERT_GE(requests, 0);
    EXPECT_EQ(os::end_request_descriptor(), requests);
    for (const int signal : {SIGTERM, SIGINT}) {
        ASSERT_EQ(std::raise(signal), 0);
        unsigned char byte = 0;
        ASSERT_EQ(::read(requests, &byte, 1), 1);
        EXPECT_EQ(byte, signal);
    }
    unsigned char none = 0;
    EXPECT_EQ(::read(requests, &none, 1), -1);
}

}  // namespace
}  // namespace bk
