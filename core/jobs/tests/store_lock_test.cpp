#include "core/jobs/store_lock.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/jobs/tests/store_home.h"

namespace brim {
namespace {

class StoreLockTest : public brim_test::StoreHome {};

// A process that takes the lock and holds it until it is killed; returns
// once the lock is held.
pid_t holder() {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        auto lock = StoreLock::try_acquire();
        const char answer = lock ? 'y' : 'n';
        if (::write(ready[1], &answer, 1) != 1) ::_exit(2);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char answer = 0;
    const bool held = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
    if (!held) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        return -1;
    }
    return child;
}

TEST_F(StoreLockTest, OneOwnerAtATime) {
    auto first = StoreLock::try_acquire();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(StoreLock::try_acquire(), nullptr);  // even from the same process
    first.reset();
    EXPECT_NE(StoreLock::try_acquire(), nullptr);
}

TEST_F(StoreLockTest, AnotherProcessIsRefusedAndACrashedOwnersLockIsFreeAgain) {
    const pid_t owner = holder();
    ASSERT_GT(owner, 0);
    EXPECT_EQ(StoreLock::try_acquire(), nullptr);
    ::kill(owner, SIGKILL);  // dies without releasing anything
    ::waitpid(owner, nullptr, 0);
    EXPECT_NE(StoreLock::try_acquire(), nullptr);
}

}  // namespace
}  // namespace brim
