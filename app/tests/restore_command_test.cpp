// The restore command: the wizard over an archive file, driven as the user
// would, ends in the program's runner with the chosen items, target and
// option bits, and the files restored equal the originals; the set's job
// joins the store, or goes with the run when its name is taken.
#include <filesystem>

#include <QApplication>
#include <QComboBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "app/restore_command.h"
#include "app/runner/gui_run_answers.h"
#include "app/runner/runner_controller.h"
#include "basekit/convertion.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report_coll.h"
#include "job/restore_data_page.h"
#include "job/restore_wizard.h"
#include "tests/support/cli_runner.h"
#include "tests/support/file_tree.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/restore_picker.h"
#include "uictl/restore_tree.h"
#include "uictl/ui_language.h"

namespace fs = std::filesystem;

namespace {

bk::String wide(const fs::path& path) { return bk::from_ansi(path.string()); }

// Ticks every item the data page shows.
void select_all(job::CResWzdDlg& wizard) {
    auto& tree = static_cast<job::ResDataPage*>(wizard.page(job::res_page::data))->picker().tree();
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        tree.SetItemState(tree.node_of(tree.topLevelItem(i)), uictl::selected);
}

// From the data page with everything ticked, through Advanced, to the
// existing-file page with `out` as the place to restore to.
void to_another_place(job::CResWzdDlg& wizard, const fs::path& out) {
    select_all(wizard);
    wizard.next();
    wizard.ActiveAdvancedPage();
    wizard.currentPage()->findChild<QRadioButton*>("anotherPlace")->click();
    wizard.currentPage()->findChild<QComboBox*>("place")->setEditText(QString::fromStdString(out.string()));
    wizard.next();
}

// Drives the wizard once it shows: `steps` on it, then Finish (or Cancel
// when `finish` is false).
void when_wizard_shows(std::function<void(job::CResWzdDlg&)> steps, bool finish = true) {
    QTimer::singleShot(0, [steps = std::move(steps), finish] {
        auto* wizard = qobject_cast<job::CResWzdDlg*>(QApplication::activeModalWidget());
        if (wizard == nullptr) qFatal("the restore wizard is not shown");
        steps(*wizard);
        if (finish) wizard->accept();
        else wizard->reject();
    });
}

}  // namespace

class RestoreCommandTest : public QObject {
    Q_OBJECT

    std::unique_ptr<brim_test::IsolatedHome> home;
    fs::path root, src, set;

    void cli(const std::vector<std::string>& args) {
        const auto result = brim_test::run_cli(BRIM_CLI, args);
        QVERIFY2(result.status == 0, result.output.c_str());
    }

private slots:
    // A set written by brimvault-cli for a job that is then removed: an
    // archive file whose job is in no store.
    void init() {
        home = std::make_unique<brim_test::IsolatedHome>(brim_test::reset_gui_singletons);
        uictl::force_ui_language(uictl::UiLanguage::english);
        root = home->dir().path();
        src = root / "src";
        fs::create_directories(src / "sub");
        brim_test::write_bytes(src / "a.txt", "alpha");
        brim_test::write_bytes(src / "sub" / "b.txt", std::string(70000, 'b'));
        brim_test::write_bytes(src / "sub" / "empty", "");
        cli({"job", "add", "Docs", "--kind", "normal", "--dest", (root / "dest").string(), "--dir", src.string()});
        cli({"run", "Docs"});
        cli({"job", "remove", "Docs"});
        set = root / "dest" / "Docs.bvf";
        brim_test::reset_gui_singletons();
    }
    void cleanup() {
        brim_test::close_windows_left_open();
        uictl::force_ui_language(std::nullopt);
        home.reset();
    }

    // Another place, keeping the structure, every existing file replaced:
    // the files land below the target at their whole paths, equal to the
    // originals; a file there before is replaced; the job joins the store
    // with the restore as its one report.
    void aRestoreChosenFromAnArchiveFileRuns() {
        const fs::path out = root / "out";
        const fs::path at = out / src.relative_path();
        fs::create_directories(at);
        brim_test::write_bytes(at / "a.txt", "old text");
        app::RunnerController runner;
        QSignalSpy ended(&runner, &app::RunnerController::run_ended);
        int refreshed = 0;
        app::RestoreWizardHooks hooks;
        hooks.refresh_job = [&](brim::BackupItem* job) { refreshed += job != nullptr && job->name == u"Docs"; };
        when_wizard_shows([&](job::CResWzdDlg& wizard) {
            if (wizard.currentId() != job::res_page::data) return;
            to_another_place(wizard, out);
            wizard.currentPage()->findChild<QRadioButton*>("replace")->click();
            wizard.next();
            wizard.next();  // the kept structure of the starting choice
        });
        QVERIFY(app::RunRestoreWizard(nullptr, runner, nullptr, wide(set), hooks));
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 60000);
        QCOMPARE(ended.at(0).at(0).toString(), QStringLiteral("Docs"));
        QCOMPARE(ended.at(0).at(1).toInt(), 2);  // finished
        runner.wait_all();
        QCOMPARE(brim_test::tree_of(at), brim_test::tree_of(src));

        auto* store = brim::BackupItemManager::instance();
        QCOMPARE(store->item_count(), std::size_t{1});
        brim::BackupItem* job = store->items().front();
        QCOMPARE(job->name, bk::String(u"Docs"));
        QCOMPARE(refreshed, 1);
        const auto reports = job->get_reports()->copies();
        QCOMPARE(reports.size(), std::size_t{1});
        QCOMPARE(reports[0].type, brim::ReportType::restore);
    }

    // The short way: the original place, straight from the short summary,
    // puts deleted files back where they were.
    void theShortSummaryRestoresToTheOriginalPlace() {
        const auto before = brim_test::tree_of(src);
        fs::remove_all(src);
        app::RunnerController runner;
        QSignalSpy ended(&runner, &app::RunnerController::run_ended);
        when_wizard_shows([](job::CResWzdDlg& wizard) {
            select_all(wizard);
            wizard.next();
        });
        QVERIFY(app::RunRestoreWizard(nullptr, runner, nullptr, wide(set)));
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 60000);
        runner.wait_all();
        QCOMPARE(brim_test::tree_of(src), before);
    }

    // A store job of the same name writing elsewhere keeps its name: the
    // set's job goes with the run only; a cancelled wizard starts nothing.
    void aTakenNameLeavesTheStoreAsItWas() {
        auto* store = brim::BackupItemManager::instance();
        brim::BackupItem* other = store->create_item();
        other->name = u"Docs";
        other->kind = brim::BackupKind::normal;
        other->destination = wide(root / "elsewhere");
        app::RunnerController runner;
        QSignalSpy ended(&runner, &app::RunnerController::run_ended);
        when_wizard_shows([](job::CResWzdDlg&) {}, false);
        QVERIFY(!app::RunRestoreWizard(nullptr, runner, nullptr, wide(set)));
        QCOMPARE(runner.running_count(), std::size_t{0});

        const fs::path out = root / "out2";
        when_wizard_shows([&](job::CResWzdDlg& wizard) {
            to_another_place(wizard, out);
            wizard.next();
            wizard.next();
        });
        QVERIFY(app::RunRestoreWizard(nullptr, runner, nullptr, wide(set)));
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 60000);
        runner.wait_all();
        QCOMPARE(store->item_count(), std::size_t{1});
        QCOMPARE(store->items().front(), other);
        QCOMPARE(brim_test::tree_of(out / src.relative_path()), brim_test::tree_of(src));
    }
};

BRIM_QTEST_MAIN(RestoreCommandTest)
#include "restore_command_test.moc"
