#pragma once
// Pictures of dialogs for the documentation and for looking at them by eye:
// when BRIM_PICTURES_DIR is set (scripts/pictures sets it), a GUI suite
// saves what it shows there as PNG files; otherwise nothing is written.
// On the offscreen platform the widget paints itself; on a real X server
// (scripts/pictures --xvfb) the window is taken from the screen with the
// frame the window manager drew around it.
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <QTest>
#include <QWidget>

namespace brim_test {

// Saves `widget` as <BRIM_PICTURES_DIR>/<name>.png, laid out (at the size
// it has, when `keep_size`) and shown. Returns the path written, empty when
// no folder is set.
inline QString save_picture(QWidget* widget, const QString& name, bool keep_size = false) {
    const QString folder = qEnvironmentVariable("BRIM_PICTURES_DIR");
    if (folder.isEmpty()) return {};
    QDir().mkpath(folder);
    if (!keep_size) widget->adjustSize();
    widget->show();
    const QString path = folder + '/' + name + ".png";
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        widget->raise();
        widget->activateWindow();
        (void)QTest::qWaitForWindowExposed(widget);
        QTest::qWait(300);  // the window manager's frame
        const QRect frame = widget->frameGeometry();
        widget->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).save(path);
    } else {
        widget->grab().save(path);
    }
    return path;
}

// The rows of a suite's `pictures_data()`: the column "chinese", true for
// the row "zh" and false for "en".
inline void add_language_rows() {
    QTest::addColumn<bool>("chinese");
    QTest::newRow("zh") << true;
    QTest::newRow("en") << false;
}

}  // namespace brim_test
