// The task monitor's widgets: the replace dialog and the watcher view show
// what the plain parts hold, in both languages; pictures of both for the
// documentation.
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "app/runner/file_replace_dialog.h"
#include "app/runner/runner_controller.h"
#include "app/runner/watcher_view.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "tests/support/temp_dir.h"
#include "uictl/qt_text.h"
#include "uictl/ui_language.h"

using namespace app;
using uictl::to_qstring;
using uictl::UiLanguage;

namespace {

QString language_name(UiLanguage language) { return language == UiLanguage::chinese ? "zh" : "en"; }

// A finished backup and a paused one, as their events left them.
void fill_rows(WatcherList& rows) {
    WatcherRow& done = rows.replace(u"Documents", brim::SessionDirection::backup);
    done.begin_backup();
    done.begin_parsing();
    done.source_parsed();
    done.end_parsing(3, 1, 5 * 1024 * 1024);
    done.file_done(u"/home/user/Documents/report.odt", 2 * 1024 * 1024);
    done.file_done(u"/home/user/Documents/photo.jpg");
    done.size(3 * 1024 * 1024);
    done.file_done(u"/home/user/Documents/notes.txt", 20);
    for (int i = 0; i < 3725; ++i) done.tick();
    done.end();
    WatcherRow& paused = rows.replace(u"Mail", brim::SessionDirection::backup);
    paused.begin_backup();
    paused.end_parsing(10, 2, 1000);
    paused.file_done(u"/home/user/mail/inbox", 400);
    paused.tick();
    paused.pause();
}

}  // namespace

class RunnerDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { uictl::force_ui_language(std::nullopt); }

    void replace_dialog_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("holds");
        QTest::addColumn<QString>("modified");
        QTest::newRow("en") << int(UiLanguage::english) << "The folder '%1' already holds a file named 'report.odt'."
                            << "\nModified: ";
        QTest::newRow("zh") << int(UiLanguage::chinese) << "该目录'%1'中已经包含一个文件名为'report.odt'."
                            << "\n修改时间:";
    }
    void replace_dialog() {
        QFETCH(int, language);
        uictl::force_ui_language(UiLanguage(language));
        brim_test::TempDir dir;
        std::filesystem::create_directories(dir.path() / "mirror");
        brim_test::write_bytes(dir.path() / "mirror" / "report.odt", std::string(2048, 'o'));
        brim_test::write_bytes(dir.path() / "report.odt", std::string(3000, 'n'));
        const ReplaceQuestion question{local_file_facts(uictl::from_qstring(QString::fromStdString((dir.path() / "mirror" / "report.odt").string()))),
                                       local_file_facts(uictl::from_qstring(QString::fromStdString((dir.path() / "report.odt").string())))};
        QCOMPARE(question.existing.size, std::int64_t{2048});
        QVERIFY(question.existing.modified > 0);

        FileReplaceDialog dialog(nullptr, question);
        QFETCH(QString, holds);
        QCOMPARE(dialog.findChild<QLabel*>("holds")->text(),
                 holds.arg(QString::fromStdString((dir.path() / "mirror").string())));
        QFETCH(QString, modified);
        const QString existing = dialog.findChild<QLabel*>("existing")->text();
        QVERIFY2(existing.startsWith("2.00 KB" + modified), qPrintable(existing));
        QVERIFY(dialog.findChild<QLabel*>("incoming")->text().startsWith("2.93 KB" + modified));
        brim_test::save_picture(&dialog, "runner_replace_dialog_" + language_name(UiLanguage(language)));

        // OK with the box ticked replaces this and every later file;
        // Cancel keeps the file whatever the box says.
        dialog.findChild<QCheckBox*>()->setChecked(true);
        dialog.accept();
        QVERIFY(dialog.answer().replace && dialog.answer().apply_to_all);
        dialog.reject();
        QVERIFY(!dialog.answer().replace && !dialog.answer().apply_to_all);
    }

    void watcher_view_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("en") << int(UiLanguage::english);
        QTest::newRow("zh") << int(UiLanguage::chinese);
    }
    void watcher_view() {
        QFETCH(int, language);
        uictl::force_ui_language(UiLanguage(language));
        RunnerController controller;
        fill_rows(controller.watchers());
        WatcherView view(controller);
        view.setMinimumSize(820, 400);  // as wide as the main window gives it
        view.refresh();

        auto* rows = view.findChild<QTreeWidget*>("rows");
        QCOMPARE(rows->topLevelItemCount(), 2);
        const WatcherRow& done = *controller.watchers().find(u"Documents");
        for (int c = 0; c < column::count; ++c)
            QCOMPARE(rows->topLevelItem(0)->text(c), to_qstring(done.column(c)));
        QCOMPARE(rows->topLevelItem(0)->text(column::elapsed), QStringLiteral("1:02:05"));
        QCOMPARE(rows->topLevelItem(0)->text(column::percent), QStringLiteral("100%"));

        view.select_job("Documents");
        QCOMPARE(view.findChild<QProgressBar*>("progress")->value(), 100);
        QCOMPARE(view.findChild<QPlainTextEdit*>("output")->toPlainText(), to_qstring(done.output()));
        QVERIFY(!view.findChild<QPushButton*>("stop")->isEnabled());
        QVERIFY(!view.findChild<QPushButton*>("pause")->isEnabled());
        QVERIFY(!view.findChild<QPushButton*>("resume")->isEnabled());
        brim_test::save_picture(&view, "runner_watcher_view_" + language_name(UiLanguage(language)));

        view.select_job("Mail");
        QCOMPARE(view.findChild<QProgressBar*>("progress")->value(), 40);
        QVERIFY(view.findChild<QPushButton*>("stop")->isEnabled());
        QVERIFY(!view.findChild<QPushButton*>("pause")->isEnabled());
        QVERIFY(view.findChild<QPushButton*>("resume")->isEnabled());
    }

    // The pane adds what a row's output gained, and starts again for a new
    // run of the job, also when that run's output is longer.
    void output_pane_follows_the_selected_row() {
        RunnerController controller;
        WatcherView view(controller);
        WatcherRow* row = &controller.watchers().replace(u"A", brim::SessionDirection::backup);
        row->begin_backup();
        view.refresh();
        view.select_job("A");
        auto* pane = view.findChild<QPlainTextEdit*>("output");
        for (const char16_t* file : {u"/one", u"/two"}) {
            row->file_done(file);
            view.refresh();
            QCOMPARE(pane->toPlainText(), to_qstring(row->output()));
        }
        row = &controller.watchers().replace(u"A", brim::SessionDirection::backup);
        row->begin_backup();
        for (int i = 0; i < 5; ++i) row->warning(u"again");
        view.refresh();
        QCOMPARE(pane->toPlainText(), to_qstring(row->output()));
    }
};

BRIM_QTEST_MAIN(RunnerDialogsTest)
#include "runner_dialogs_test.moc"
