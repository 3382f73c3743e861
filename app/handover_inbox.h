#pragma once
// Command lines that later starts hand over arrive on the channel's own
// thread; the main window takes them on the GUI thread. The inbox holds
// them until the main window exists (a start during the splash waits, as
// long as a later start waits for its answer), then carries each line to
// the GUI thread and its answer back.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include <QObject>

#include "core/runner/handover.h"

namespace app {

class HandoverInbox final : public QObject {
    Q_OBJECT
public:
    using Taker = std::function<brim::HandoverAnswer(const bk::String& line)>;

    // Made on the GUI thread; listens at `path` from now on. Throws
    // IOException when another owner listens there.
    HandoverInbox(bk::String path, Taker taker, QObject* parent = nullptr);
    ~HandoverInbox() override;

    // The main window exists: lines are taken from now on.
    void open();
    // The program ends: lines waiting or arriving get no answer.
    void close();

private:
    // On the channel's thread.
    brim::HandoverAnswer deliver(const bk::String& line);

    Taker taker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    bool closed_ = false;
    std::unique_ptr<brim::HandoverListener> listener_;
};

}  // namespace app
