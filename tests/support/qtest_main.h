#pragma once
// The main of a QTest suite: the home, data and XDG folders point at a fresh
// temporary directory for the whole run (so QSettings, the MIME database and
// the data directory never touch the user's own), then the application
// starts on whatever platform QT_QPA_PLATFORM names (CTest sets offscreen).
#include <filesystem>

#include <QApplication>
#include <QTest>

#include "tests/support/isolated_home.h"

#define BRIM_QTEST_MAIN(TestClass)                          \
    int main(int argc, char** argv) {                      \
        brim_test::IsolatedHome home;                      \
        const auto runtime = home.dir() / "runtime";       \
        std::filesystem::create_directories(runtime);      \
        std::filesystem::permissions(runtime,              \
            std::filesystem::perms::owner_all);            \
        home.set("XDG_RUNTIME_DIR", runtime.string());     \
        /* scripts/pictures --xvfb: a real X server */    \
        if (!qEnvironmentVariableIsEmpty("BRIM_QT_PLATFORM")) \
            qputenv("QT_QPA_PLATFORM",                     \
                    qgetenv("BRIM_QT_PLATFORM"));          \
        QApplication app(argc, argv);                      \
        app.setAttribute(Qt::AA_Use96Dpi, true);           \
        TestClass suite;                                   \
        return QTest::qExec(&suite, argc, argv);           \
    }
