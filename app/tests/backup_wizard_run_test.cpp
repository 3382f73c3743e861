// A job made in the backup wizard runs through the program's runner, and
// what it wrote restores to the same tree.
#include <filesystem>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "app/runner/runner_controller.h"
#include "basekit/convertion.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_manager.h"
#include "core/restore/restore_option.h"
#include "job/backup_wizard.h"
#include "job/backup_wizard_pages.h"
#include "tests/support/file_tree.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/qtest_main.h"
#include "uictl/folder_picker.h"
#include "uictl/folder_tree.h"
#include "uictl/qt_text.h"
#include "uictl/ui_language.h"

namespace fs = std::filesystem;
using uictl::to_qstring;

namespace {

bk::String wide(const fs::path& path) { return bk::from_ansi(path.string()); }

template <typename T>
T* child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(name);
    if (found == nullptr) qFatal("no child %s", name);
    return found;
}

}  // namespace

class BackupWizardRunTest : public QObject {
    Q_OBJECT

    std::unique_ptr<brim_test::IsolatedHome> home;
    fs::path dir() const { return home->dir().path(); }

    int run_to_end(QSignalSpy& ended) {
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), 60000); }();
        return ended.takeFirst().at(1).toInt();
    }

private slots:
    void init() {
        home = std::make_unique<brim_test::IsolatedHome>(brim_test::reset_gui_singletons);
        uictl::force_ui_language(uictl::UiLanguage::english);
    }
    void cleanup() {
        brim_test::close_windows_left_open();
        uictl::force_ui_language(std::nullopt);
        home.reset();
    }

    void a_wizard_job_runs_and_restores_exactly_data() {
        QTest::addColumn<bool>("advanced");
        QTest::newRow("the short way, with the defaults") << false;
        QTest::newRow("a full backup enciphered with AES") << true;
    }
    void a_wizard_job_runs_and_restores_exactly() {
        QFETCH(bool, advanced);
        const fs::path source = dir() / "my data";
        fs::create_directories(source / "sub dir" / "deeper");
        brim_test::write_bytes(source / "empty", "");
        brim_test::write_bytes(source / "sub dir" / "chunk+1.bin", std::string(65537, 'x'));
        brim_test::write_bytes(source / "sub dir" / "deeper" / "名前.txt", "unicode name");
        fs::create_directories(source / "empty folder");
        const auto original = brim_test::tree_of(source);

        job::CBakWzdDlg wizard(u"New job");
        QVERIFY(wizard.Init());
        wizard.show();
        wizard.next();
        auto& picker = static_cast<job::SourcesPage*>(wizard.page(job::sources_page))->picker();
        brim::SourceData chosen{wide(source), brim::SourceType::directory, true};
        picker.tree().Display({&chosen});
        emit picker.selectionChanged();
        wizard.next();
        QWidget& names = *wizard.page(job::name_page);
        child<QLineEdit>(names, "name")->setText("Wizard");
        child<QComboBox>(names, "destination")->setEditText(to_qstring(wide(dir() / "sets")));
        wizard.next();
        QCOMPARE(wizard.currentId(), int(job::short_summary_page));
        if (advanced) {
            child<QPushButton>(*wizard.page(job::short_summary_page), "advanced")->click();
            auto* kind = child<QComboBox>(*wizard.page(job::kind_page), "kind");
            kind->setCurrentIndex(kind->findData(int(brim::BackupKind::normal)));
            wizard.next();
            wizard.next();
            QWidget& security = *wizard.page(job::security_page);
            child<QComboBox>(security, "security")->setCurrentIndex(4);
            child<QLineEdit>(security, "password")->setText("correct horse");
            child<QLineEdit>(security, "confirmation")->setText("correct horse");
            while (wizard.currentId() != job::summary_page) wizard.next();
        }
        wizard.button(QWizard::FinishButton)->click();
        brim::BackupItem* job = wizard.GetBackupItem();
        QVERIFY(job != nullptr);
        QCOMPARE(job->cipher_bits(), advanced ? brim::job_option::cipher_rijndael : 0u);

        app::RunnerController controller;
        QSignalSpy ended(&controller, &app::RunnerController::run_ended);
        QVERIFY(controller.start_backup(*job, false));
        QCOMPARE(run_to_end(ended), int(app::RunEnd::finished));
        QVERIFY(fs::exists(bk::to_ansi(job->archive_file())));

        auto session = brim::BackupSession::create_session(job, brim::SessionDirection::restore);
        QVERIFY(session != nullptr);
        std::vector<const brim::archive::RunLayout*> runs;
        session->open(runs, nullptr);
        QCOMPARE(runs.size(), std::size_t{1});
        const fs::path target = dir() / "restored";
        fs::create_directories(target);
        QVERIFY(controller.start_restore(std::move(session), {runs.back()->root.get()}, wide(target),
                                         brim::restore_option::keep_structure, nullptr));
        QCOMPARE(run_to_end(ended), int(app::RunEnd::finished));
        const fs::path restored = target / source.relative_path();
        QCOMPARE(brim_test::tree_of(restored), original);
        QVERIFY(fs::is_directory(restored / "empty folder"));
    }
};

BRIM_QTEST_MAIN(BackupWizardRunTest)
#include "backup_wizard_run_test.moc"
