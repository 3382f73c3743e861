#include "basekit/thread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <new>
#include <string>

#include "basekit/convertion.h"
#include "basekit/error_code.h"
#include "basekit/exception.h"

namespace bk {

std::mutex Thread::_vec_mutex;
std::vector<Thread*> Thread::_vec_thread;
int Thread::_next_serial = 1000;

struct Thread::Impl {
    enum class State { held, started, cancelled };

    os::ThreadHandle handle{};
    String name;
    Thread* owner = nullptr;  // set by start()
    std::atomic<bool> running{false};
    std::atomic<bool> stop_asked{false};

    mutable std::mutex mutex;  // guards the fields below
    std::condition_variable changed;
    State state = State::held;
    bool paused = false;
    bool finished = false;

    std::mutex join_mutex;  // one waiter at a time; guards joined
    bool joined = false;

    // Asks the work to end and releases the start and pause gates.
    void ask_stop() {
        std::lock_guard lock(mutex);
        running = false;
        stop_asked = true;
        if (state == State::held) state = State::cancelled;
        changed.notify_all();
    }

    void wait_for_end(StringView failure_prefix) {
        if (os::is_current_thread(handle)) return;
        std::lock_guard lock(join_mutex);
        if (joined) return;
        const std::int32_t code = os::join_thread(handle);
        joined = true;  // a failed join leaves nothing that could be joined later
        if (code != 0) throw Exception(system_error(failure_prefix, code));
    }

    void stop() {
        ask_stop();
        wait_for_end(u"Cannot stop thread: ");
    }
};

void* Thread::body(void* argument) {
    const std::unique_ptr<std::shared_ptr<Impl>> holder(static_cast<std::shared_ptr<Impl>*>(argument));
    Impl& impl = **holder;
    Thread* owner = nullptr;
    {
        std::unique_lock lock(impl.mutex);
        impl.changed.wait(lock, [&] { return impl.state != Impl::State::held; });
        if (impl.state == Impl::State::started) owner = impl.owner;
    }
    // An exception escaping run() ends the process, as it would on any thread.
    if (owner != nullptr) owner->run();
    std::lock_guard lock(impl.mutex);
    impl.running = false;
    impl.finished = true;
    impl.changed.notify_all();
    return nullptr;
}

Thread::Thread() {
    try {
        impl_ = std::make_shared<Impl>();
        std::lock_guard lock(_vec_mutex);
        _vec_thread.reserve(_vec_thread.size() + 1);  // so that listing cannot fail below
        impl_->name = u"Thread-" + from_utf8(std::to_string(_next_serial));
        auto argument = std::make_unique<std::shared_ptr<Impl>>(impl_);
        // Nothing below may fail once the thread exists.
        const std::int32_t code = os::create_thread(impl_->handle, &Thread::body, argument.get());
        if (code != 0) throw Exception(system_error(u"Cannot create thread: ", code));
        argument.release();  // the thread owns it now
        ++_next_serial;
        _vec_thread.push_back(this);
    } catch (const std::bad_alloc&) {
        throw OutOfMemoryException(u"Out of memory");
    }
}

Thread::~Thread() {
    try {
        impl_->stop();
    } catch (const Exception&) {
    }
    if (os::is_current_thread(impl_->handle)) {
        std::lock_guard lock(impl_->join_mutex);
        if (!impl_->joined) os::detach_thread(impl_->handle);
        impl_->joined = true;
    }
    std::lock_guard lock(_vec_mutex);
    _vec_thread.erase(std::remove(_vec_thread.begin(), _vec_thread.end(), this), _vec_thread.end());
}

void Thread::start() {
    std::lock_guard lock(impl_->mutex);
    if (impl_->state != Impl::State::held) return;
    impl_->owner = this;
    impl_->running = true;
    impl_->state = Impl::State::started;
    impl_->changed.notify_all();
}

void Thread::stop() { impl_->stop(); }

void Thread::join() {
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->state == Impl::State::held) return;
    }
    impl_->wait_for_end(u"Cannot join thread: ");
}

bool Thread::is_running() const { return impl_->running; }

void Thread::pause() {
    std::lock_guard lock(impl_->mutex);
    impl_->paused = true;
}

void Thread::resume() {
    std::lock_guard lock(impl_->mutex);
    impl_->paused = false;
    impl_->changed.notify_all();
}

bool Thread::is_paused() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->paused;
}

const String& Thread::thread_name() const { return impl_->name; }

os::ThreadHandle Thread::native_handle() const { return impl_->handle; }

bool Thread::stop_requested() const { return impl_->stop_asked; }

bool Thread::check_point() {
    std::unique_lock lock(impl_->mutex);
    impl_->changed.wait(lock, [&] { return !impl_->paused || impl_->stop_asked; });
    return !impl_->stop_asked;
}

std::vector<Thread*> Thread::threads() {
    std::lock_guard lock(_vec_mutex);
    return _vec_thread;
}

std::vector<std::shared_ptr<Thread::Impl>> Thread::records() {
    std::vector<std::shared_ptr<Impl>> impls;
    std::lock_guard lock(_vec_mutex);
    for (Thread* thread : _vec_thread) impls.push_back(thread->impl_);
    return impls;
}

void Thread::stop_all() {
    // The records are shared, so a thread destroyed meanwhile is still safe
    // to stop; the list's lock is not held while waiting, so threads that
    // create or destroy threads on their way out do not deadlock.
    const auto impls = records();
    std::exception_ptr first_failure;
    for (auto& impl : impls) {
        try {
            impl->stop();
        } catch (const Exception&) {
            if (!first_failure) first_failure = std::current_exception();
        }
    }
    if (first_failure) std::rethrow_exception(first_failure);
}

bool Thread::wait_all(std::uint64_t timeout) {
    const auto milliseconds = static_cast<std::uint32_t>(timeout);
    const bool forever = milliseconds == 0xFFFFFFFFu;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    const auto impls = records();
    for (auto& impl : impls) {
        std::unique_lock lock(impl->mutex);
        const auto ended = [&] { return impl->state != Impl::State::started || impl->finished; };
        if (forever)
            impl->changed.wait(lock, ended);
        else if (!impl->changed.wait_until(lock, deadline, ended))
            return false;
    }
    return true;
}

}  // namespace bk
