// The options dialog over the user's options: the volume sizes, the range
// of the safety-copy interval, the confirmations, the defaults button, and
// the limits handed to the job store at once.
#include <QtTest>
#include <QTabWidget>

#include "app/option_dialog.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report_coll.h"
#include "job/system_option.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

class OptionDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<brim_test::IsolatedHome> home;
    job::CSystemOption& options() { return *job::CSystemOption::GetInstance(); }

private slots:
    void init() {
        home = std::make_unique<brim_test::IsolatedHome>(brim_test::reset_gui_singletons);
        options().LoadWithDefault();
    }
    void cleanup() {
        uictl::force_ui_language(std::nullopt);
        home.reset();
    }

    void volumeSizes_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<uint>("size");
        QTest::newRow("first") << 0 << 640u;
        QTest::newRow("second") << 1 << 4400u;
        QTest::newRow("third") << 2 << 4802u;
        QTest::newRow("256") << 3 << 256u;
        QTest::newRow("3840") << 17 << 3840u;
        QTest::newRow("no limit") << 18 << 0xFFFFFFFFu;
    }
    void volumeSizes() {
        QFETCH(int, position);
        QFETCH(uint, size);
        QCOMPARE(app::volume_size_at(position), size);
        QCOMPARE(app::volume_size_position(size), position);
    }
    void storedSizesNotOffered() {
        QCOMPARE(app::volume_size_position(4096), 18);
        QCOMPARE(app::volume_size_position(1000), 13);
        QCOMPARE(app::volume_size_position(0), 13);
        QCOMPARE(app::volume_size_position(4352), 13);
    }

    // 0 and 366 days are refused with 419 and change nothing; 1 and 365 go.
    void theIntervalIsChecked() {
        struct Case {
            int days;
            bool taken;
        };
        for (const Case c : {Case{0, false}, Case{366, false}, Case{1, true}, Case{365, true}}) {
            options().SetAutoBackupDay(15);
            app::COptionDlg dialog;
            app::OptionValues values = dialog.values();
            values.safety_copy_days = static_cast<std::uint32_t>(c.days);
            dialog.show_values(values);
            uictl::MessageBoxSeam seam;
            dialog.accept();
            QCOMPARE(dialog.result() == QDialog::Accepted, c.taken);
            QCOMPARE(seam.shown().size(), std::size_t{c.taken ? 0u : 1u});
            QCOMPARE(options().GetAutoBackupDay(), c.taken ? std::uint32_t(c.days) : 15u);
            if (!c.taken) QCOMPARE(uictl::to_qstring(seam.shown()[0].title), QStringLiteral("Option Error"));
        }
    }

    // No limit is kept and shown again; unticking the confirmations silences
    // both deletion questions; the store takes the size at once.
    void valuesAreKeptAndHandedOn() {
        uictl::force_ui_language(uictl::UiLanguage::english);
        {
            app::COptionDlg dialog;
            app::OptionValues values = dialog.values();
            values.volume_position = 18;
            values.confirm_deletions = false;
            values.scheduled_runs_hidden = true;
            values.minimize_to_tray = true;
            dialog.show_values(values);
            dialog.accept();
        }
        QCOMPARE(options().GetSegmentSize(), 0xFFFFFFFFu);
        QCOMPARE(options().GetNeverShowValue(job::never_show::delete_job), 0);
        QCOMPARE(options().GetNeverShowValue(job::never_show::delete_all_jobs), 0);
        QCOMPARE(options().GetNeverShowValue(job::never_show::run_hidden), 0);
        // Minimizing into the tray is the mark 0, as the window reads it.
        QCOMPARE(options().GetNeverShowValue(job::never_show::minimize_to_tray), 0);
        QCOMPARE(brim::BackupItemManager::instance()->archive_segment(), std::int64_t{0xFFFFFFFF} * 1048576);
        app::COptionDlg again;
        QCOMPARE(again.values().volume_position, 18);
        QVERIFY(!again.values().confirm_deletions);
        QVERIFY(again.values().minimize_to_tray);
    }

    // The defaults button sets back every page, even one never shown; the
    // report limit reaches a job's reports already open.
    void defaultsReachEveryPage() {
        options().SetAutoBackupDay(0);
        options().SetSegmentSize(640);
        options().SetBackupKind(0);
        options().SetRestorceChoice(0x10);
        options().SetMaxReportCount(500);
        options().SetNeverShowValue(job::never_show::delete_job, 0);
        options().SetNeverShowValue(job::never_show::delete_all_jobs, 0);
        brim::BackupItem* job = brim::BackupItemManager::instance()->create_item();
        job->name = u"Daily";
        brim::BackupItemReportColl* reports = job->get_reports();
        QVERIFY(reports != nullptr);
        app::COptionDlg dialog;
        dialog.use_defaults();
        dialog.accept();
        QCOMPARE(options().GetAutoBackupDay(), 15u);
        QCOMPARE(options().GetSegmentSize(), 3072u);
        QCOMPARE(options().GetBackupKind(), 2);
        QCOMPARE(options().GetRestoreChoice(), 36u);
        QCOMPARE(options().GetMaxReportCount(), 60u);
        QCOMPARE(options().GetNeverShowValue(job::never_show::delete_job), 1);
        QCOMPARE(brim::BackupItemManager::instance()->max_report_count(), 60u);
        QCOMPARE(reports->limit(), 60u);
    }

    void pictures_data() {
        QTest::addColumn<bool>("chinese");
        QTest::newRow("zh") << true;
        QTest::newRow("en") << false;
    }
    void pictures() {
        QFETCH(bool, chinese);
        uictl::force_ui_language(chinese ? uictl::UiLanguage::chinese : uictl::UiLanguage::english);
        app::COptionDlg dialog;
        auto* pages = dialog.findChild<QTabWidget*>();
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            brim_test::save_picture(&dialog, QStringLiteral("options_%1_%2").arg(page).arg(chinese ? "zh" : "en"));
        }
    }
};

BRIM_QTEST_MAIN(OptionDialogTest)
#include "option_dialog_test.moc"
