#pragma once
// The completion pop-up: a small window near the notification area that
// tells how a job's run ended and closes itself after a countdown, and a
// desktop notification beside it when a notification service answers on
// the session bus.
#include <cstdint>
#include <memory>

#include <QTimer>
#include <QWidget>

#include "basekit/types.h"

class QLabel;

// What the pop-up tells of one run.
struct NotifyRecord {
    bk::String job_name;
    int direction = 0;  // 0 backup, 1 restore
    int files = 0;
    int folders = 0;
    std::int64_t bytes = 0;
    bool failed = false;
};

// Shows the pop-up for `record` and takes ownership of it. May be called from
// any thread: the window itself lives on the GUI thread.
void PopNotifyWnd(NotifyRecord* record);

namespace uictl {

// The pop-up's message for a record (entry 203 for a failed run, else 174).
bk::String notify_text(const NotifyRecord& record);

// Seconds the pop-up stays before it closes itself.
inline constexpr int notify_seconds = 10;

class CNotifyWnd final : public QWidget {
    Q_OBJECT
public:
    explicit CNotifyWnd(const NotifyRecord& record, int seconds = notify_seconds);

    int seconds_left() const { return seconds_left_; }
    // One second of the countdown; the window closes at 0.
    void tick();

private:
    void show_countdown();

    QLabel* countdown_ = nullptr;
    QTimer timer_;
    int seconds_left_;
};

// Sends the record as a freedesktop notification over the session bus.
// Returns false when no notification service answers.
bool send_desktop_notification(const NotifyRecord& record);
// Any other news as a freedesktop notification.
bool send_desktop_notification(const QString& summary, const QString& body);

}  // namespace uictl
