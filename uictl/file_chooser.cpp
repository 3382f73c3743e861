#include "uictl/file_chooser.h"

#include <QApplication>
#include <QFileDialog>

namespace uictl {
namespace {

FileChooser& installed() {
    static FileChooser chooser;
    return chooser;
}

}  // namespace

QString choose_file(bool save, const QString& default_name, const QString& filter) {
    if (installed()) return installed()(save, default_name, filter);
    // Qt writes a filter as the description alone, which holds the pattern.
    const QString qt_filter = filter.section('|', 0, 0);
    QWidget* owner = QApplication::activeWindow();
    return save ? QFileDialog::getSaveFileName(owner, QString(), default_name, qt_filter)
                : QFileDialog::getOpenFileName(owner, QString(), default_name, qt_filter);
}

void set_file_chooser(FileChooser chooser) { installed() = std::move(chooser); }

}  // namespace uictl
