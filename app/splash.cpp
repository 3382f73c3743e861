#include "app/splash.h"

#include <QApplication>
#include <QEventLoop>
#include <QLinearGradient>
#include <QPainter>
#include <QSplashScreen>
#include <QTimer>

#include "app/app_strings.h"
#include "uictl/qt_text.h"

namespace app {
namespace {

// The program's name on a quiet gradient: the splash needs no file.
QPixmap splash_picture() {
    QPixmap picture(480, 260);
    QPainter painter(&picture);
    QLinearGradient background(0, 0, 0, picture.height());
    background.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    background.setColorAt(1, QColor(0x0b, 0x25, 0x3d));
    painter.fillRect(picture.rect(), background);
    painter.setPen(Qt::white);
    QFont title = painter.font();
    title.setPointSize(24);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(0, 70, picture.width(), 50), Qt::AlignCenter,
                     uictl::to_qstring(app_strings().text(app_text::program_title)));
    QFont small = painter.font();
    small.setPointSize(10);
    small.setBold(false);
    painter.setFont(small);
    painter.drawText(QRect(0, 125, picture.width(), 24), Qt::AlignCenter,
                     QStringLiteral("%1").arg(QCoreApplication::applicationVersion()));
    return picture;
}

}  // namespace

Splash::Splash() : screen_(std::make_unique<QSplashScreen>(splash_picture())) {
    screen_->show();
    screen_->showMessage(uictl::to_qstring(app_strings().text(app_text::splash_line)),
                         Qt::AlignBottom | Qt::AlignHCenter, Qt::white);
    QApplication::processEvents();
    shown_.start();
}

Splash::~Splash() = default;

void Splash::hold() {
    if (!screen_) return;
    const qint64 rest = minimum_ms - shown_.elapsed();
    if (rest <= 0) return;
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(rest), &loop, &QEventLoop::quit);
    loop.exec();
}

void Splash::close(QWidget* window) {
    if (!screen_) return;
    if (window != nullptr) screen_->finish(window);
    screen_.reset();
}

}  // namespace app
