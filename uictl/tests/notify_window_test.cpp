// The completion pop-up: its text, its countdown, showing it from a worker
// thread, and the desktop notification over a private session bus.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLabel>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/notify_window.h"
#include "uictl/qt_text.h"
#include "uictl/ui_language.h"

using namespace uictl;

namespace {

NotifyRecord record_of(bk::StringView job, int direction, bool failed) {
    return NotifyRecord{bk::String(job), direction, 12, 3, 1572864, failed};
}

// A notification service of our own on the test's bus: records what it is
// asked to show.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList bodies;
public slots:
    uint Notify(const QString&, uint, const QString&, const QString&, const QString& body, const QStringList&,
                const QVariantMap&, int) {
        bodies << body;
        return static_cast<uint>(bodies.size());
    }
};

CNotifyWnd* shown_notify_window() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<CNotifyWnd*>(widget); window != nullptr && window->isVisible()) return window;
    }
    return nullptr;
}

}  // namespace

class NotifyWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // A session bus of the test's own, started before Qt first asks for it.
        QProcess daemon;
        daemon.start("dbus-daemon", {"--session", "--fork", "--print-address=1", "--print-pid=1"});
        if (daemon.waitForFinished(5000) && daemon.exitCode() == 0) {
            const QStringList lines = QString::fromUtf8(daemon.readAllStandardOutput()).split('\n');
            bus_address_ = lines.value(0).trimmed();
            bus_pid_ = lines.value(1).trimmed().toLongLong();
            qputenv("DBUS_SESSION_BUS_ADDRESS", bus_address_.toUtf8());
        }
    }
    void cleanupTestCase() {
        if (bus_pid_ > 0) QProcess::execute("kill", {QString::number(bus_pid_)});
    }
    void init() { force_ui_language(UiLanguage::english); }
    void cleanup() { force_ui_language(std::nullopt); }

    void the_text_tells_how_the_run_ended_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("direction");
        QTest::addColumn<bool>("failed");
        QTest::addColumn<QString>("text");
        QTest::newRow("backup") << int(UiLanguage::english) << 0 << false
                                << "12 files, 3 folders\nTotal size 1.50 MB\nThe job \"Photos\" has backed up them "
                                   "successfully.";
        QTest::newRow("restore, Chinese") << int(UiLanguage::chinese) << 1 << false
                                          << "12个文件, 3个目录\n总大小1.50 MB\n已成功地被任务“Photos”恢复.";
        QTest::newRow("failed") << int(UiLanguage::english) << 0 << true << "The job \"Photos\" was ended by an error.";
        QTest::newRow("failed, Chinese") << int(UiLanguage::chinese) << 1 << true << "任务“Photos”被错误终止了.";
    }
    void the_text_tells_how_the_run_ended() {
        QFETCH(int, language);
        QFETCH(int, direction);
        QFETCH(bool, failed);
        QFETCH(QString, text);
        force_ui_language(static_cast<UiLanguage>(language));
        QCOMPARE(to_qstring(notify_text(record_of(u"Photos", direction, failed))), text);
    }

    void the_window_counts_down_and_closes_itself() {
        CNotifyWnd window(record_of(u"Photos", 0, false), 3);
        window.show();
        auto* countdown = window.findChild<QLabel*>("countdown");
        QCOMPARE(countdown->text(), QStringLiteral("Closes in 3 seconds"));
        window.tick();
        QCOMPARE(countdown->text(), QStringLiteral("Closes in 2 seconds"));
        window.tick();
        QVERIFY(window.isVisible());
        window.tick();
        QCOMPARE(window.seconds_left(), 0);
        QVERIFY(!window.isVisible());
    }

    void pictures() {
        for (const UiLanguage language : {UiLanguage::english, UiLanguage::chinese}) {
            force_ui_language(language);
            const QString suffix = language == UiLanguage::chinese ? "zh" : "en";
            CNotifyWnd done(record_of(u"Photos", 0, false));
            brim_test::save_picture(&done, "notify-done-" + suffix);
            CNotifyWnd failed(record_of(u"Photos", 1, true));
            brim_test::save_picture(&failed, "notify-failed-" + suffix);
        }
    }

    void a_worker_thread_pops_it_up_on_the_gui_thread_and_the_desktop_hears_of_it() {
        if (bus_address_.isEmpty()) QSKIP("dbus-daemon could not start a session bus");
        QDBusConnection service = QDBusConnection::connectToBus(bus_address_, "notifications");
        QVERIFY(service.isConnected());
        QVERIFY(!send_desktop_notification(record_of(u"Photos", 0, false)));  // nobody listens yet

        FakeNotifications notifications;
        QVERIFY(service.registerObject("/org/freedesktop/Notifications", &notifications,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService("org.freedesktop.Notifications"));

        QThread* worker = QThread::create([] { PopNotifyWnd(new NotifyRecord{u"Mail", 1, 2, 1, 10, false}); });
        worker->start();
        QVERIFY(worker->wait(5000));
        delete worker;
        QTRY_VERIFY(shown_notify_window() != nullptr);
        CNotifyWnd* window = shown_notify_window();
        QCOMPARE(window->thread(), QApplication::instance()->thread());
        QVERIFY(window->findChild<QLabel*>("message")->text().contains("\"Mail\" has restored"));
        QTRY_COMPARE(notifications.bodies.size(), 1);
        QVERIFY(notifications.bodies.front().contains("Total size 10 bytes"));
        window->close();
        service.unregisterService("org.freedesktop.Notifications");
        QDBusConnection::disconnectFromBus("notifications");
    }

private:
    QString bus_address_;
    qint64 bus_pid_ = 0;
};

BRIM_QTEST_MAIN(NotifyWindowTest)
#include "notify_window_test.moc"
