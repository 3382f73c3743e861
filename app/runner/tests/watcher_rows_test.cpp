// The task monitor's plain parts: the texts in both languages, the
// progress arithmetic, a row's reaction to each event of a run and to the
// commands, the list of rows, and the small text rules of the start checks.
#include <QtTest>

#include "app/runner/backup_starter.h"
#include "app/runner/progress_ticker.h"
#include "app/runner/runner_strings.h"
#include "app/runner/watcher_list.h"
#include "tests/support/qtest_main.h"
#include "uictl/qt_text.h"

using namespace app;
using uictl::to_qstring;
using uictl::UiLanguage;

namespace {

QString col(const WatcherRow& row, int c) { return to_qstring(row.column(c)); }

}  // namespace

class WatcherRowsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { uictl::force_ui_language(UiLanguage::english); }
    void cleanup() { uictl::force_ui_language(std::nullopt); }

    void every_entry_has_both_languages() {
        const auto& strings = runner_strings();
        for (std::uint32_t id = 0; id < 1000; ++id) {
            const bool chinese = strings.table(UiLanguage::chinese).find(id) != nullptr;
            const bool english = strings.table(UiLanguage::english).find(id) != nullptr;
            QVERIFY2(chinese == english, qPrintable(QString("entry %1").arg(id)));
        }
        for (const std::uint32_t id : {108u, 117u, 118u, 140u, 153u, 158u, 159u, 175u, 176u, 178u, 183u, 187u,
                                       188u, 218u, 256u, 283u, 297u, 298u, 299u, 300u, 301u, 302u, 303u, 307u,
                                       310u, 341u, 342u, 343u, 348u, 349u, 356u, 373u, 374u, 379u, 380u, 414u,
                                       429u, 430u, 431u, 582u})
            QVERIFY2(strings.table(UiLanguage::chinese).find(id) != nullptr, qPrintable(QString::number(id)));
        // The placeholders agree between the languages.
        for (std::uint32_t id = 0; id < 1000; ++id) {
            if (strings.table(UiLanguage::chinese).find(id) == nullptr) continue;
            const QString zh = to_qstring(strings.table(UiLanguage::chinese).text(id));
            const QString en = to_qstring(strings.table(UiLanguage::english).text(id));
            QCOMPARE(en.count('%'), zh.count('%'));
        }
    }

    void ticker_data() {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("elapsed");
        QTest::newRow("none") << 0 << "00:00:00";
        QTest::newRow("one") << 1 << "0:00:01";
        QTest::newRow("59") << 59 << "0:00:59";
        QTest::newRow("60 carries") << 60 << "0:01:00";
        QTest::newRow("hour") << 3600 << "1:00:00";
        QTest::newRow("3725") << 3725 << "1:02:05";
        QTest::newRow("hours unpadded") << 36000 + 599 << "10:09:59";
    }
    void ticker() {
        QFETCH(int, ticks);
        ProgressTicker ticker;
        for (int i = 0; i < ticks; ++i) ticker.tick();
        QTEST(to_qstring(ticker.elapsed_text()), "elapsed");
    }

    void ticker_counts_and_percent_data() {
        QTest::addColumn<quint64>("total");
        QTest::addColumn<quint64>("written");
        QTest::addColumn<QString>("percent");
        QTest::newRow("nothing yet") << quint64(1000) << quint64(0) << "0%";
        QTest::newRow("rounds down") << quint64(1000) << quint64(999) << "99%";
        QTest::newRow("all") << quint64(1000) << quint64(1000) << "100%";
        QTest::newRow("more than counted") << quint64(1000) << quint64(5000) << "100%";
        QTest::newRow("empty sources, bytes written") << quint64(0) << quint64(10) << "100%";
        QTest::newRow("huge") << quint64(1) << std::numeric_limits<quint64>::max() / 2 << "100%";
    }
    void ticker_counts_and_percent() {
        QFETCH(quint64, total);
        QFETCH(quint64, written);
        ProgressTicker ticker;
        ticker.set_totals(3, total);
        ticker.count_file();
        ticker.count_bytes(written);
        // Counted work is done only at the next tick.
        QCOMPARE(ticker.bytes_done(), quint64(0));
        QCOMPARE(ticker.percent_text(), bk::String(u"0%"));
        ticker.tick();
        QCOMPARE(ticker.files_done(), 1u);
        QCOMPARE(ticker.bytes_done(), written);
        QTEST(to_qstring(ticker.percent_text()), "percent");
    }

    void rate_and_time_left() {
        ProgressTicker ticker;
        ticker.set_totals(1, 1000);
        QCOMPARE(ticker.seconds_left(), std::int64_t(-1));
        ticker.count_bytes(100);
        ticker.tick();
        ticker.count_bytes(100);
        ticker.tick();
        QCOMPARE(ticker.rate(), quint64(100));
        QCOMPARE(ticker.seconds_left(), std::int64_t(8));
        QCOMPARE(to_qstring(ProgressTicker::clock_text(8)), QStringLiteral("0:00:08"));
    }

    void new_row_has_the_initial_columns() {
        const WatcherRow row(u"Docs", brim::SessionDirection::backup);
        const QStringList expected{"Docs", "Ready", "0", "0.0K", "0", "0.0K", "0%", "00:00:00"};
        for (int c = 0; c < column::count; ++c) QCOMPARE(col(row, c), expected[c]);
        QCOMPARE(row.state(), text_id::state_ready);
        QVERIFY(!row.ended());
    }

    void a_backup_run_from_begin_to_end() {
        WatcherRow row(u"Docs", brim::SessionDirection::backup);
        row.begin_backup();
        QCOMPARE(row.state(), text_id::state_backing_up);
        row.begin_parsing();
        QCOMPARE(row.state(), text_id::state_analysing);
        row.source_parsed();
        row.source_parsed();
        row.end_parsing(2, 1, 3000);
        QCOMPARE(row.state(), text_id::state_backing_up);
        QCOMPARE(col(row, column::total_files), QStringLiteral("2"));
        QCOMPARE(col(row, column::total_size), QStringLiteral("2.93 KB"));
        QVERIFY(row.ticker_active());
        row.directory();
        row.file_done(u"/a/one", 1000);
        row.file_done(u"/a/two");
        row.size(500);
        row.tick();
        QCOMPARE(col(row, column::files_done), QStringLiteral("2"));
        QCOMPARE(col(row, column::percent), QStringLiteral("50%"));
        QCOMPARE(col(row, column::elapsed), QStringLiteral("0:00:01"));
        row.verified(u"/a/one");
        QCOMPARE(row.state(), text_id::state_verifying);
        row.verified(u"/a/two");
        row.warning(u"careful");
        row.message(u"note");
        // The last counts reach the columns at the end without a tick.
        row.size(1500);
        row.end();
        QCOMPARE(row.state(), text_id::state_finished);
        QCOMPARE(row.icon(), RowIcon::finished);
        QCOMPARE(col(row, column::percent), QStringLiteral("100%"));
        QCOMPARE(col(row, column::size_done), QStringLiteral("2.93 KB"));
        QCOMPARE(col(row, column::elapsed), QStringLiteral("0:00:01"));
        QVERIFY(!row.ticker_active());
        QCOMPARE(to_qstring(row.output()),
                 QStringLiteral("--------------- Job: Docs,  Operation: Backup ---------------\n"
                                "\nAnalysing the backup sources ..\n"
                                "The sources hold 2 files and 1 folders, 2.93 KB\n"
                                "\nBacked up file: /a/one\nBacked up file: /a/two."
                                "\nVerified file: /a/one\nVerified file: /a/two"
                                "\n    Warning: careful\nnote."));
        // Nothing changes a finished row's state any more.
        row.tick();
        row.error(u"late");
        QCOMPARE(row.state(), text_id::state_finished);
    }

    void events_that_end_or_mark_a_row_data() {
        QTest::addColumn<QString>("event");
        QTest::addColumn<uint>("state");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("output_tail");
        QTest::newRow("error") << "error" << uint(text_id::state_terminated) << int(RowIcon::error)
                               << "\n    Error: disk full";
        QTest::newRow("old data deleted") << "deleted" << uint(text_id::state_deleting) << int(RowIcon::running)
                                          << "\n    Warning: deleted backup data /set/old.bvf.";
        QTest::newRow("stopped event") << "stopped" << uint(text_id::state_backing_up) << int(RowIcon::stopped) << "";
        QTest::newRow("stop command") << "stop" << uint(text_id::state_stopped) << int(RowIcon::running) << "";
        QTest::newRow("pause") << "pause" << uint(text_id::state_paused) << int(RowIcon::running) << "";
    }
    void events_that_end_or_mark_a_row() {
        QFETCH(QString, event);
        WatcherRow row(u"Docs", brim::SessionDirection::backup);
        row.begin_backup();
        row.end_parsing(1, 0, 10);
        const QString before = to_qstring(row.output());
        if (event == "error") row.error(u"disk full");
        if (event == "deleted") row.old_data_deleted(u"/set/old.bvf");
        if (event == "stopped") row.stopped();
        if (event == "stop") row.stop();
        if (event == "pause") row.pause();
        QTEST(uint(row.state()), "state");
        QTEST(int(row.icon()), "icon");
        QTEST(to_qstring(row.output()).mid(before.size()), "output_tail");
        const bool ends = event == "error" || event == "stop";
        QCOMPARE(row.ended(), ends);
        QCOMPARE(row.ticker_active(), !ends && event != "pause");
    }

    void pause_holds_the_clock_and_resume_gives_back_the_state() {
        WatcherRow row(u"Docs", brim::SessionDirection::backup);
        row.begin_backup();
        row.begin_parsing();
        row.end_parsing(1, 0, 10);
        row.verified(u"/x");
        row.pause();
        row.tick();
        QCOMPARE(col(row, column::elapsed), QStringLiteral("00:00:00"));
        QCOMPARE(col(row, column::state), QStringLiteral("Paused"));
        row.resume();
        QCOMPARE(row.state(), text_id::state_verifying);
        row.tick();
        QCOMPARE(col(row, column::elapsed), QStringLiteral("0:00:01"));
        // A paused row that is stopped ends stopped.
        row.pause();
        row.stop();
        QCOMPARE(row.state(), text_id::state_stopped);
        row.resume();
        QCOMPARE(row.state(), text_id::state_stopped);
    }

    void a_restore_run() {
        uictl::force_ui_language(UiLanguage::chinese);
        WatcherRow row(u"Docs", brim::SessionDirection::restore);
        row.begin_restore();
        QCOMPARE(row.state(), text_id::state_ready);
        row.end_parsing(1, 0, 10);
        QCOMPARE(col(row, column::state), QStringLiteral("正在恢复"));
        row.file_done(u"/r/one", 10);
        row.end();
        QCOMPARE(col(row, column::state), QStringLiteral("完成"));
        QCOMPARE(to_qstring(row.output()), QStringLiteral("--------------- 任务: Docs,  操作: 恢复 ---------------\n"
                                                          "分析恢复编录...\n数据源有1个文件,0个目录,10 bytes\n"
                                                          "\n恢复文件: /r/one"));
    }

    void a_new_run_replaces_the_jobs_row() {
        WatcherList list;
        list.replace(u"A", brim::SessionDirection::backup).begin_backup();
        list.replace(u"B", brim::SessionDirection::backup);
        WatcherRow& again = list.replace(u"A", brim::SessionDirection::restore);
        QCOMPARE(list.size(), std::size_t{2});
        QCOMPARE(list.find(u"A"), &again);
        QCOMPARE(list.rows().front(), &again);  // in the old row's place
        QCOMPARE(again.state(), text_id::state_ready);
        QVERIFY(again.output().empty());
        list.remove(u"A");
        QCOMPARE(list.find(u"A"), nullptr);
    }

    void refusal_texts_lose_their_last_line() {
        QCOMPARE(to_qstring(without_last_line(runner_strings().format(text_id::job_running, {u"Docs"}))),
                 QStringLiteral("The job is running; Orvex Brimvault cannot back it up."));
        QCOMPARE(to_qstring(without_last_line(u"one line")), QStringLiteral("one line"));
        QVERIFY(to_qstring(too_many_runs_text()).contains("at most 4 jobs"));
    }

    void network_servers_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("server");
        QTest::newRow("unc") << "\\\\nas\\share\\dir" << "\\\\nas";
        QTest::newRow("unc server only") << "\\\\nas" << "\\\\nas";
        QTest::newRow("smb") << "smb://nas/share/dir" << "smb://nas";
        QTest::newRow("local") << "/home/user" << "";
        QTest::newRow("no host") << "\\\\\\share" << "";
        QTest::newRow("ftp") << "ftp://host/dir" << "";
    }
    void network_servers() {
        QFETCH(QString, path);
        QTEST(to_qstring(ServerChecks::server_of(uictl::from_qstring(path))), "server");
    }
};

BRIM_QTEST_MAIN(WatcherRowsTest)
#include "watcher_rows_test.moc"
