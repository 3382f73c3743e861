#pragma once
// The splash screen of an ordinary start: shown at once, kept at least
// 1,200 ms so that it is seen, closed when the main window is up.
#include <memory>

#include <QElapsedTimer>

class QSplashScreen;
class QWidget;

namespace app {

class Splash final {
public:
    static constexpr int minimum_ms = 1200;

    Splash();
    ~Splash();
    Splash(const Splash&) = delete;
    Splash& operator=(const Splash&) = delete;

    // Keeps the splash up until it has been shown minimum_ms, handling
    // events meanwhile.
    void hold();
    // Closes it (again does nothing), handing over to `window` when given.
    void close(QWidget* window = nullptr);

private:
    std::unique_ptr<QSplashScreen> screen_;
    QElapsedTimer shown_;
};

}  // namespace app
