#include "uictl/notify_window.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "uictl/byte_to_string.h"
#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace uictl {
namespace {

constexpr auto notifications_service = "org.freedesktop.Notifications";
constexpr auto notifications_path = "/org/freedesktop/Notifications";

// The bottom-right corner of the screen's free area, where the tray sits on
// most desktops.
void place_near_tray(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    window->adjustSize();
    window->move(area.right() - window->width() - 8, area.bottom() - window->height() - 8);
}

void show_notify_window(std::unique_ptr<NotifyRecord> record) {
    auto* window = new CNotifyWnd(*record);
    window->setAttribute(Qt::WA_DeleteOnClose);
    place_near_tray(window);
    window->show();
    send_desktop_notification(*record);
}

}  // namespace

bk::String notify_text(const NotifyRecord& record) {
    const auto& strings = uictl_strings();
    if (record.failed) return strings.format(text_id::job_failed, {record.job_name});
    const auto verb = record.direction == 0 ? text_id::completion_backup : text_id::completion_restore;
    return strings.format(text_id::completion, {record.files, record.folders, byte_size_text(record.bytes),
                                                record.job_name, strings.text(verb)});
}

CNotifyWnd::CNotifyWnd(const NotifyRecord& record, int seconds)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), seconds_left_(seconds) {
    setObjectName("notifyWindow");
    setWindowTitle(to_qstring(uictl_strings().text(text_id::notify_title)));
    auto* column = new QVBoxLayout(this);
    auto* message = new QLabel(to_qstring(notify_text(record)), this);
    message->setObjectName("message");
    message->setTextFormat(Qt::PlainText);
    column->addWidget(message);
    countdown_ = new QLabel(this);
    countdown_->setObjectName("countdown");
    countdown_->setAlignment(Qt::AlignRight);
    column->addWidget(countdown_);
    show_countdown();
    connect(&timer_, &QTimer::timeout, this, &CNotifyWnd::tick);
    timer_.start(1000);
}

void CNotifyWnd::tick() {
    if (seconds_left_ > 0) --seconds_left_;
    show_countdown();
    if (seconds_left_ == 0) {
        timer_.stop();
        close();
    }
}

void CNotifyWnd::show_countdown() {
    countdown_->setText(to_qstring(uictl_strings().format(text_id::closes_in, {seconds_left_})));
}

bool send_desktop_notification(const NotifyRecord& record) {
    return send_desktop_notification(to_qstring(uictl_strings().text(text_id::notify_title)),
                                     to_qstring(notify_text(record)));
}

bool send_desktop_notification(const QString& summary, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr ||
        !bus.interface()->isServiceRegistered(notifications_service)) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(notifications_service, notifications_path,
                                                       notifications_service, "Notify");
    call << QStringLiteral("Brimvault") << 0u << QStringLiteral("brimvault") << summary << body
         << QStringList() << QVariantMap()
         << static_cast<qint32>(notify_seconds * 1000);
    // Sent without waiting for the reply: a slow service never holds up the
    // GUI.
    return bus.send(call);
}

}  // namespace uictl

void PopNotifyWnd(NotifyRecord* record) {
    std::unique_ptr<NotifyRecord> owned(record);
    if (!owned || QCoreApplication::instance() == nullptr) return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [owned = std::shared_ptr<NotifyRecord>(std::move(owned))]() mutable {
            uictl::show_notify_window(std::make_unique<NotifyRecord>(*owned));
        },
        Qt::QueuedConnection);
}
