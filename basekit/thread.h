#pragma once
// A thread whose subclass supplies the work in run(), on POSIX threads.
//
// A POSIX thread can neither be killed nor suspended safely, so both are
// cooperative: stop() asks the work to end and waits for it, and pause()
// closes a gate at which the work waits when it calls check_point(). Work
// that must answer promptly calls check_point() (or stop_requested()) at
// its natural steps, for example between files and between 64 KiB chunks:
//
//     void run() override {
//         for (auto& item : items)
//             if (!check_point()) return;  // stopped
//             else copy(item);
//     }
//
// Every Thread is listed process-wide in creation order; the list is guarded
// by a mutex, so threads may be created and destroyed on any thread.
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "basekit/platform/os_thread.h"
#include "basekit/types.h"

namespace bk {

class Thread {
public:
    // Creates the platform thread, held before the work until start(); names
    // it "Thread-" + the next serial number (1000 first; a number is used up
    // only by a thread that was created) and lists it. Throws
    // OutOfMemoryException("Out of memory") and Exception("Cannot create
    // thread: " + the platform's text).
    Thread();
    // stop(), then takes the thread out of the list. A subclass whose run()
    // uses the subclass's own members calls stop() in its own destructor,
    // since those members are gone by the time this one runs.
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Lets the thread call run(). is_running() is true from here until run()
    // returns or stop() is called. A second start() does nothing, and so does
    // a start() after stop().
    void start();
    // Clears running and asks the work to end: stop_requested() becomes
    // true and a thread waiting at the pause gate is released. Then waits for
    // the thread to end, except when called from the thread itself (it ends
    // when its run() returns). A thread that was never started ends without
    // running. Throws Exception("Cannot stop thread: " + the platform's text)
    // when the wait fails.
    void stop();
    // Waits without limit for run() to return. Returns at once for a thread
    // never started, one already waited for, and on the thread itself.
    void join();
    bool is_running() const;
    // Closes and opens the pause gate; the work waits at check_point() while
    // it is closed.
    void pause();
    void resume();
    bool is_paused() const;

    const String& thread_name() const;
    os::ThreadHandle native_handle() const;
    explicit operator os::ThreadHandle() const { return native_handle(); }

    // stop() on every listed thread (waiting for each in turn); the first
    // failure is thrown after all were asked.
    static void stop_all();
    // Waits until every listed thread has ended, or `timeout` milliseconds
    // (its low 32 bits; 0xFFFFFFFF waits without limit) have passed. A
    // thread never started counts as ended. True when all have ended.
    static bool wait_all(std::uint64_t timeout);
    // A copy of the list, in creation order.
    static std::vector<Thread*> threads();

protected:
    // The work of the thread, called once on it after start().
    virtual void run() = 0;
    // True once stop() was called.
    bool stop_requested() const;
    // The pause gate: waits while the thread is paused, unless a stop is
    // asked. Returns false when the work should end (stop was asked).
    bool check_point();

private:
    struct Impl;
    static void* body(void* argument);
    // The records of the listed threads; they stay valid when a thread is
    // destroyed meanwhile.
    static std::vector<std::shared_ptr<Impl>> records();

    std::shared_ptr<Impl> impl_;  // shared with the running thread

    static std::mutex _vec_mutex;  // guards _vec_thread and _next_serial
    static std::vector<Thread*> _vec_thread;
    static int _next_serial;
};

}  // namespace bk
