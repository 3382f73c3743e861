#include "basekit/thread.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "basekit/convertion.h"

namespace bk {
namespace {

using namespace std::chrono_literals;

// Counts its steps, passing the pause gate before each.
class Counter final : public Thread {
public:
    ~Counter() override { stop(); }
    std::atomic<int> steps{0};
    std::atomic<bool> saw_stop{false};

protected:
    void run() override {
        while (check_point()) {
            ++steps;
            std::this_thread::sleep_for(1ms);
        }
        saw_stop = stop_requested();
    }
};

// Does a fixed amount of work and ends by itself.
class Finite final : public Thread {
public:
    explicit Finite(int n) : n_(n) {}
    ~Finite() override { stop(); }
    std::atomic<int> done{0};

protected:
    void run() override {
        for (int i = 0; i < n_; ++i) ++done;
    }

private:
    int n_;
};

template <typename Predicate>
bool eventually(Predicate predicate) {
    for (int i = 0; i < 2000; ++i) {
        if (predicate()) return true;
        std::this_thread::sleep_for(1ms);
    }
    return predicate();
}

int serial_of(const Thread& t) {
    const std::string name = to_utf8(t.thread_name());
    EXPECT_EQ(name.rfind("Thread-", 0), 0u) << name;
    return std::stoi(name.substr(7));
}

TEST(Thread, NamesTakeConsecutiveSerialNumbers) {
    Finite first(1), second(1);
    EXPECT_GE(serial_of(first), 1000);
    EXPECT_EQ(serial_of(second), serial_of(first) + 1);
}

TEST(Thread, RunsOnlyAfterStartAndJoins) {
    Finite work(1000);
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(work.done, 0);  // held until started
    EXPECT_FALSE(work.is_running());
    work.start();
    work.join();
    EXPECT_EQ(work.done, 1000);
    EXPECT_FALSE(work.is_running());
    work.join();  // a second wait returns at once
}

TEST(Thread, PausesAndResumesAtTheGate) {
    Counter counter;
    counter.start();
    EXPECT_TRUE(counter.is_running());
    ASSERT_TRUE(eventually([&] { return counter.steps > 3; }));
    counter.pause();
    EXPECT_TRUE(counter.is_paused());
    // A step in progress still ends; then the count must stand still.
    ASSERT_TRUE(eventually([&] {
        const int seen = counter.steps;
        std::this_thread::sleep_for(20ms);
        return counter.steps == seen;
    }));
    const int held = counter.steps;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(counter.steps, held);
    counter.resume();
    EXPECT_TRUE(eventually([&] { return counter.steps > held + 3; }));
    counter.stop();
    EXPECT_FALSE(counter.is_running());
    EXPECT_TRUE(counter.saw_stop);
}

TEST(Thread, StopReleasesAThreadWaitingAtTheGate) {
    Counter counter;
    counter.start();
    ASSERT_TRUE(eventually([&] { return counter.steps > 0; }));
    counter.pause();
    std::this_thread::sleep_for(20ms);
    const auto before = std::chrono::steady_clock::now();
    counter.stop();  // returns only when the thread has ended
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_TRUE(counter.saw_stop);
    EXPECT_FALSE(counter.is_running());
}

TEST(Thread, StopOfAThreadNeverStartedEndsItWithoutRunning) {
    Finite work(5);
    work.stop();
    work.start();  // too late: nothing runs
    work.join();
    EXPECT_EQ(work.done, 0);
    EXPECT_FALSE(work.is_running());
}

TEST(Thread, ListsThreadsAndWaitsForAll) {
    const std::size_t before = Thread::threads().size();
    {
        Counter endless;
        Finite quick(10);
        const auto listed = Thread::threads();
        EXPECT_EQ(listed.size(), before + 2);
        EXPECT_EQ(listed[listed.size() - 2], &endless);  // creation order
        EXPECT_EQ(listed.back(), &quick);
        EXPECT_TRUE(Thread::wait_all(0));  // nothing started yet
        endless.start();
        quick.start();
        EXPECT_FALSE(Thread::wait_all(30));
        Thread::stop_all();
        EXPECT_TRUE(Thread::wait_all(0xFFFFFFFF));
        EXPECT_EQ(quick.done, 10);
        EXPECT_FALSE(endless.is_running());
    }
    EXPECT_EQ(Thread::threads().size(), before);
}

}  // namespace
}  // namespace bk
