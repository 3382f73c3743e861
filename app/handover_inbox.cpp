#include "app/handover_inbox.h"

#include <chrono>

#include <QMetaObject>

#include "core/runner/exit_status.h"

namespace app {
namespace {

// What a later start ends with when the program could not take its line.
brim::HandoverAnswer not_taken() { return {brim::exit_status::failure, "the Brimvault program is ending"}; }

}  // namespace

HandoverInbox::HandoverInbox(bk::String path, Taker taker, QObject* parent)
    : QObject(parent), taker_(std::move(taker)) {
    listener_ = std::make_unique<brim::HandoverListener>(
        std::move(path), [this](const bk::String& line) { return deliver(line); });
}

HandoverInbox::~HandoverInbox() {
    close();
    listener_.reset();
}

void HandoverInbox::open() {
    const std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
}

void HandoverInbox::close() {
    const std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

brim::HandoverAnswer HandoverInbox::deliver(const bk::String& line) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(brim::handover_wait_ms);
    std::unique_lock lock(mutex_);
    if (!changed_.wait_until(lock, deadline, [this] { return open_ || closed_; }) || closed_) return not_taken();

    // The GUI thread answers; this thread waits for it or for the end.
    struct Reply {
        bool done = false;
        brim::HandoverAnswer answer;
    };
    auto reply = std::make_shared<Reply>();
    lock.unlock();
    QMetaObject::invokeMethod(
        this,
        [this, reply, line] {
            brim::HandoverAnswer answer = taker_(line);
            const std::lock_guard guard(mutex_);
            reply->answer = std::move(answer);
            reply->done = true;
            changed_.notify_all();
        },
        Qt::QueuedConnection);
    lock.lock();
    changed_.wait(lock, [&] { return reply->done || closed_; });
    return reply->done ? reply->answer : not_taken();
}

}  // namespace app
