#pragma once
// Pictures of dialogs for the documentation and for looking at them by eye:
// when BRIM_PICTURES_DIR is set (scripts/pictures sets it), a GUI suite
// saves what it shows there as PNG files; otherwise nothing is written.
#include <QDir>
#include <QString>
#include <QWidget>

namespace brim_test {

// Saves `widget` as <BRIM_PICTURES_DIR>/<name>.png, laid out and shown
// (offscreen, the widget is painted without a display). Returns the path
// written, empty when no folder is set.
inline QString save_picture(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("BRIM_PICTURES_DIR");
    if (folder.isEmpty()) return {};
    QDir().mkpath(folder);
    widget->adjustSize();
    widget->show();
    const QString path = folder + '/' + name + ".png";
    widget->grab().save(path);
    return path;
}

}  // namespace brim_test
