// The report view of the main window: the runs of the chosen job, newest
// first, and the chart's bars (backup runs only, oldest first, coloured by
// result) with axes that always reach the largest value.
#include <QtTest>

#include <QTreeWidget>

#include "app/app_strings.h"
#include "app/report_runs.h"
#include "app/report_view.h"
#include "basekit/convertion.h"
#include "basekit/date.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report_coll.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/qt_text.h"

using app::RunTone;

namespace {

constexpr std::int64_t day = bk::microseconds_per_day;
constexpr std::int64_t second = bk::microseconds_per_second;

brim::BackupItemReport report(brim::ReportType type, std::int64_t when, brim::RunResult result,
                              std::uint64_t stored = 0, std::int64_t length = 0) {
    brim::BackupItemReport made(type, when);
    made.result = static_cast<std::int32_t>(result);
    made.completed_size = stored;
    made.begin_time = length != 0 ? when : 0;
    made.end_time = length != 0 ? when + length : 0;
    return made;
}

}  // namespace

class ReportViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<brim_test::IsolatedHome> home;

    // A job of the store with reports of these runs, oldest first.
    brim::BackupItem& job_with_runs(const std::vector<brim::BackupItemReport>& runs) {
        brim::BackupItem& job = *brim::BackupItemManager::instance()->create_item();
        job.name = u"Documents";
        job.kind = brim::BackupKind::normal;
        job.destination = u"/tmp/nowhere";
        for (const auto& run : runs) {
            brim::BackupItemReport* made = job.get_reports()->create_report(run.type);
            made->execution_time = run.execution_time;
            made->begin_time = run.begin_time;
            made->end_time = run.end_time;
            made->result = run.result;
            made->completed_size = run.completed_size;
            made->completed_files = 3;
        }
        return job;
    }

private slots:
    void init() { home = std::make_unique<brim_test::IsolatedHome>(brim_test::reset_gui_singletons); }
    void cleanup() {
        uictl::force_ui_language(std::nullopt);
        home.reset();
    }

    // Every stored result, and values no file should hold, have a tone.
    void tonesFollowTheResults() {
        const std::pair<std::int32_t, RunTone> cases[] = {
            {0, RunTone::good},    {1, RunTone::warnings}, {2, RunTone::stopped}, {3, RunTone::stopped},
            {4, RunTone::failed},  {5, RunTone::failed},   {6, RunTone::failed},  {-1, RunTone::failed},
        };
        for (const auto& [result, tone] : cases) QCOMPARE(app::tone_of(result), tone);
    }

    // Restores stand out of the chart; the rest come oldest first, a run
    // without an end has no length, and only the newest runs stay.
    void chartPointsAreTheBackupRunsOldestFirst() {
        const std::vector<brim::BackupItemReport> runs = [] {
            std::vector<brim::BackupItemReport> made;
            made.push_back(report(brim::ReportType::increment, 3 * day, brim::RunResult::failed, 10, 0));
            made.push_back(report(brim::ReportType::normal, 1 * day, brim::RunResult::successful, 500, 90 * second));
            made.push_back(report(brim::ReportType::restore, 4 * day, brim::RunResult::successful, 900, second));
            made.push_back(report(brim::ReportType::increment, 2 * day, brim::RunResult::having_warnings, 40,
                                  5 * second));
            return made;
        }();
        const auto points = app::chart_points(runs);
        QCOMPARE(points.size(), std::size_t{3});
        QCOMPARE(points[0].execution_time, 1 * day);
        QCOMPARE(points[0].stored_size, std::uint64_t{500});
        QCOMPARE(points[0].duration, 90 * second);
        QCOMPARE(points[0].tone, RunTone::good);
        QCOMPARE(points[1].tone, RunTone::warnings);
        QCOMPARE(points[2].execution_time, 3 * day);
        QCOMPARE(points[2].duration, std::int64_t{0});
        QCOMPARE(points[2].tone, RunTone::failed);

        const auto newest = app::chart_points(runs, 2);
        QCOMPARE(newest.size(), std::size_t{2});
        QCOMPARE(newest[0].execution_time, 2 * day);
        QCOMPARE(newest[1].execution_time, 3 * day);
    }

    // A run whose clock went back has no length rather than a negative one.
    void lengthsAndTheirTexts() {
        QCOMPARE(app::run_length(report(brim::ReportType::normal, 10 * day, brim::RunResult::successful, 0, 61 * second)),
                 61 * second);
        brim::BackupItemReport backwards = report(brim::ReportType::normal, 10 * day, brim::RunResult::successful);
        backwards.begin_time = 10 * day;
        backwards.end_time = 10 * day - second;
        QCOMPARE(app::run_length(backwards), std::int64_t{0});
        const std::pair<std::int64_t, const char*> texts[] = {
            {0, "0:00:00"}, {61 * second, "0:01:01"}, {3661 * second + 999999, "1:01:01"},
            {360000 * second, "100:00:00"}, {-5 * second, "0:00:00"},
        };
        for (const auto& [length, text] : texts) QCOMPARE(uictl::to_qstring(app::duration_text(length)), QString(text));
    }

    // The top is the first mark at or above the largest value, in steps of
    // 1, 2 or 5 times a power of ten (of whole size units for sizes), and
    // never wraps past 64 bits.
    void axisScalesReachTheLargestValue_data() {
        QTest::addColumn<bool>("sizes");
        QTest::addColumn<quint64>("largest");
        QTest::addColumn<quint64>("step");
        QTest::addColumn<quint64>("top");
        constexpr quint64 mb = 1 << 20;
        const auto row = [](const char* name, bool sizes, quint64 largest, quint64 step, quint64 top) {
            QTest::newRow(name) << sizes << largest << step << top;
        };
        row("nothing", false, 0, 1, 1);
        row("one", false, 1, 1, 1);
        row("five in ones", false, 5, 1, 5);
        row("six in twos", false, 6, 2, 6);
        row("eleven in fives", false, 11, 5, 15);
        row("a thousand", false, 1000, 200, 1000);
        row("just past", false, 1001, 500, 1500);
        row("billions", false, 7'340'032'000, 2'000'000'000, 8'000'000'000);
        row("no bytes", true, 0, 1, 1);
        row("bytes", true, 700, 200, 800);
        row("whole megabytes", true, 300 * mb, 100 * mb, 300 * mb);
        row("a byte past", true, 300 * mb + 1, 100 * mb, 400 * mb);
        row("gigabytes", true, 1536 * mb, 1024 * mb, 2048 * mb);
    }
    void axisScalesReachTheLargestValue() {
        QFETCH(bool, sizes);
        QFETCH(quint64, largest);
        QFETCH(quint64, step);
        QFETCH(quint64, top);
        const auto scale_of = [sizes](std::uint64_t value) {
            return sizes ? app::size_axis(value) : app::axis_scale(value);
        };
        const app::AxisScale scale = scale_of(largest);
        QCOMPARE(quint64{scale.step}, step);
        QCOMPARE(quint64{scale.top}, top);
        const app::AxisScale huge = scale_of(UINT64_MAX);
        QVERIFY(huge.top >= UINT64_MAX / 2 && huge.step != 0 && huge.top / huge.step <= 5);
    }

    // No job, a job without runs, a job with runs: the hint or the runs,
    // newest first, with the chart's bars beside them.
    void theViewShowsTheChosenJobsRuns() {
        uictl::force_ui_language(uictl::UiLanguage::english);
        app::CReportLogView view;
        QCOMPARE(view.hint(), QStringLiteral("Choose a job to see the reports of its runs."));
        brim::BackupItem& empty = job_with_runs({});
        view.show_job(&empty);
        QCOMPARE(view.hint(), QStringLiteral("This job has no reports of runs yet."));

        brim::BackupItem& job = job_with_runs(
            {report(brim::ReportType::normal, 1 * day, brim::RunResult::successful, 2048, 90 * second),
             report(brim::ReportType::restore, 2 * day, brim::RunResult::stopped),
             report(brim::ReportType::increment, 3 * day, brim::RunResult::aborted, 10, 2 * second)});
        view.show_job(&job);
        QVERIFY(view.hint().isEmpty());
        QCOMPARE(view.runs().topLevelItemCount(), 3);
        QCOMPARE(view.runs().topLevelItem(0)->text(2), QStringLiteral("Failed"));
        QCOMPARE(view.runs().topLevelItem(1)->text(1), QStringLiteral("Restore"));
        QCOMPARE(view.runs().topLevelItem(1)->text(2), QStringLiteral("Stopped"));
        QCOMPARE(view.runs().topLevelItem(2)->text(2), QStringLiteral("Successful"));
        QCOMPARE(view.runs().topLevelItem(2)->text(5), QStringLiteral("0:01:30"));
        QCOMPARE(view.chart().points().size(), std::size_t{2});
        view.show_job(nullptr);
        QCOMPARE(view.runs().topLevelItemCount(), 0);
        QVERIFY(view.chart().points().empty());
    }

    // The view over a month of runs of every kind of ending, in both languages.
    void pictures_data() { brim_test::add_language_rows(); }
    void pictures() {
        QFETCH(bool, chinese);
        uictl::force_ui_language(chinese ? uictl::UiLanguage::chinese : uictl::UiLanguage::english);
        std::vector<brim::BackupItemReport> runs;
        const std::int64_t start = bk::Date(2026, 11, 10, 20, 0, 0).time();
        const brim::RunResult results[] = {brim::RunResult::successful, brim::RunResult::successful,
                                           brim::RunResult::having_warnings, brim::RunResult::successful,
                                           brim::RunResult::stopped, brim::RunResult::successful,
                                           brim::RunResult::failed};
        for (int i = 0; i < 21; ++i) {
            const auto result = results[i % 7];
            const std::uint64_t stored = result == brim::RunResult::failed ? 0 : (150u + 37u * (i % 5)) << 20;
            runs.push_back(report(i % 7 == 0 ? brim::ReportType::normal : brim::ReportType::increment,
                                  start + i * day, result, stored, (40 + 13 * (i % 6)) * second));
        }
        app::CReportLogView view;
        view.setWindowTitle(uictl::to_qstring(app::app_strings().text(app::app_text::reports_title)));
        view.show_job(&job_with_runs(runs));
        view.resize(900, 300);
        brim_test::save_picture(&view, QStringLiteral("report_view_") + (chinese ? "zh" : "en"), true);
    }
};

BRIM_QTEST_MAIN(ReportViewTest)
#include "report_view_test.moc"
