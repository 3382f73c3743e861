// The system log page over a real log: a damaged log recovered from its
// safety copy, export with the extension added, import, and clear with
// its question.
#include <filesystem>
#include <fstream>

#include <QtTest>

#include "app/file_chooser.h"
#include "app/system_log_view.h"
#include "basekit/convertion.h"
#include "core/jobs/log_manager.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

namespace fs = std::filesystem;

class SystemLogViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<brim_test::IsolatedHome> home;
    QString chosen;  // what the file dialog answers

    static void write_entries(std::initializer_list<const char16_t*> texts) {
        for (const char16_t* text : texts) brim::LogManager::instance()->log(brim::LogType::warning, text, u"Daily");
    }
    static QStringList descriptions(const QTreeWidget& view) {
        QStringList texts;
        for (int i = 0; i < view.topLevelItemCount(); ++i) texts << view.topLevelItem(i)->text(5);
        return texts;
    }

private slots:
    void init() {
        home = std::make_unique<brim_test::IsolatedHome>(brim_test::reset_gui_singletons);
        uictl::force_ui_language(uictl::UiLanguage::english);
        app::set_file_chooser([this](bool, const QString&, const QString&) { return chosen; });
    }
    void cleanup() {
        app::set_file_chooser({});
        uictl::force_ui_language(std::nullopt);
        home.reset();
    }

    // A damaged log: 210 once, then the safety copy's entries.
    void aDamagedLogShowsItsSafetyCopy() {
        write_entries({u"kept in the copy"});
        brim::LogManager::instance()->save_copy(1);
        write_entries({u"only in the damaged file"});
        const fs::path file = bk::to_ansi(brim::LogManager::instance()->log_file());
        brim::LogManager::del_instance();
        std::ofstream(file, std::ios::trunc) << "<log>\x01 not a log";
        uictl::MessageBoxSeam seam;
        app::CSystemLogView view;
        int closed_splash = 0;
        view.fill([&] { ++closed_splash; });
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QCOMPARE(uictl::to_qstring(seam.shown()[0].title), QStringLiteral("Reset Log File"));
        QCOMPARE(closed_splash, 1);
        QVERIFY(descriptions(view).contains(QStringLiteral("kept in the copy")));
        QVERIFY(!descriptions(view).contains(QStringLiteral("only in the damaged file")));
        // The log works on.
        write_entries({u"after the reset"});
        view.append_new_entries();
        QCOMPARE(descriptions(view).last(), QStringLiteral("after the reset"));
        QCOMPARE(view.topLevelItem(0)->text(0), QStringLiteral("Warning"));
        QCOMPARE(view.topLevelItem(0)->text(3), QStringLiteral("Job 'Daily'"));
    }

    // Export adds the extension that is missing; import brings the rows back.
    void exportAndImport_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("written");
        QTest::newRow("xml, no extension") << int(brim::LogFileFormat::xml) << "saved" << "saved.xml";
        QTest::newRow("text, no extension") << int(brim::LogFileFormat::text) << "saved" << "saved.txt";
        QTest::newRow("xml, its extension") << int(brim::LogFileFormat::xml) << "saved.XML" << "saved.XML";
        QTest::newRow("text, another dot") << int(brim::LogFileFormat::text) << "v1.2" << "v1.2.txt";
    }
    void exportAndImport() {
        QFETCH(int, format);
        QFETCH(QString, name);
        QFETCH(QString, written);
        write_entries({u"first", u"second"});
        app::CSystemLogView view;
        view.fill();
        const QString folder = QString::fromStdString((home->dir().path() / "out").string());
        QDir().mkpath(folder);
        chosen = folder + '/' + name;
        QVERIFY(view.export_log(static_cast<brim::LogFileFormat>(format)));
        QVERIFY(QFile::exists(folder + '/' + written));
        view.clear();
        chosen = folder + '/' + written;
        view.import_log(static_cast<brim::LogFileFormat>(format));
        QVERIFY(descriptions(view).contains(QStringLiteral("first")) && descriptions(view).contains(QStringLiteral("second")));
    }

    // 295: Cancel keeps all; Yes with the save cancelled keeps all; No clears.
    void clearingAsksToSaveFirst() {
        write_entries({u"entry"});
        app::CSystemLogView view;
        view.fill();
        uictl::MessageBoxSeam seam;
        const auto log_size = [] {
            brim::LogItemList entries;
            brim::LogManager::instance()->load(entries);
            return entries.size();
        };
        seam.answer_next(button_id::cancel);
        view.clear_log();
        chosen.clear();
        seam.answer_next(button_id::yes);
        view.clear_log();
        QCOMPARE(view.topLevelItemCount(), 1);
        QCOMPARE(log_size(), std::size_t{1});
        seam.answer_next(button_id::no);
        view.clear_log();
        QCOMPARE(view.topLevelItemCount(), 0);
        QCOMPARE(log_size(), std::size_t{0});
        QCOMPARE(seam.shown()[0].flags & mb::buttons_mask, mb::yes_no_cancel);
    }

    void pictures() {
        for (const auto language : {uictl::UiLanguage::chinese, uictl::UiLanguage::english}) {
            uictl::force_ui_language(language);
            brim::LogManager::instance()->log(brim::LogType::information, u"Orvex Brimvault started successfully.");
            brim::LogManager::instance()->log(brim::LogType::error, u"The destination is full", u"Photos");
            app::CSystemLogView view;
            view.fill();
            view.resize(900, 240);
            brim_test::save_picture(&view, QStringLiteral("system_log_") +
                                               (language == uictl::UiLanguage::chinese ? "zh" : "en"), true);
        }
    }
};

BRIM_QTEST_MAIN(SystemLogViewTest)
#include "system_log_view_test.moc"
