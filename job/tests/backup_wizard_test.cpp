// The backup wizard driven page by page under the offscreen platform, its
// messages answered through the message-box seam: the checks of each page,
// the default job of the short way, the advanced pages, the schedule, and a
// cancel that leaves the job store and the crontab as they were.
// The archive writer names a member "emit": it comes before Qt's macro.
#include "core/archive/catalogue.h"
#include "core/archive/set_security.h"
#include "core/archive/set_writer.h"

#include <filesystem>
#include <map>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "basekit/convertion.h"
#include "basekit/date.h"
#include "core/engine/ftp_destination.h"
#include "core/jobs/backup_item_manager.h"
#include "job/backup_kinds.h"
#include "job/backup_wizard.h"
#include "job/backup_wizard_pages.h"
#include "job/extension_filter_editor.h"
#include "job/job_strings.h"
#include "job/new_job_rules.h"
#include "job/password_prompt.h"
#include "job/system_option.h"
#include "taskplan/task_planner.h"
#include "tests/support/fake_crontab.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/directory_dialog.h"
#include "uictl/folder_picker.h"
#include "uictl/folder_tree.h"
#include "uictl/qt_text.h"
#include "uictl/ui_language.h"

using namespace job;
using uictl::from_qstring;
using uictl::to_qstring;
namespace fs = std::filesystem;
using brim::BackupKind;
namespace opt = brim::job_option;

Q_DECLARE_METATYPE(brim::BackupKind)

namespace {

bk::String wide(const fs::path& path) { return bk::from_ansi(path.string()); }

template <typename T>
T* child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(name);
    if (found == nullptr) qFatal("no child %s", name);
    return found;
}

QString message(std::uint32_t id) { return to_qstring(job_strings().text(id)); }

// Answers the planner's questions: the account is confirmed, the editor
// changes nothing.
struct QuietDialogs final : taskplan::TaskDialogs {
    bool ask_to_start_scheduler() override { return false; }
    void scheduler_start_failed(int) override {}
    bool confirm_account(const bk::String&) override { return true; }
    bool edit_schedule(taskplan::WorkItem&, const bk::String&) override { return false; }
    bool ask_for_later_start() override { return false; }
    void show_scheduler_error(const bk::String&) override {}
};

// A planner whose tasks cannot be made or cannot be edited.
class FailingPlanner final : public taskplan::CTaskPlanner {
public:
    explicit FailingPlanner(bool can_create) : can_create_(can_create) {}
    std::unique_ptr<taskplan::CTask> GetTask(bk::StringView name) override {
        return name == u"Made" && can_create_ ? std::make_unique<Task>() : nullptr;
    }
    std::unique_ptr<taskplan::CTask> CreateNewTask(bk::StringView, taskplan::CmdLineKind, std::uint32_t) override {
        return can_create_ ? std::make_unique<Task>() : nullptr;
    }

private:
    struct Task final : taskplan::CTask {
        bk::String GetTaskName() const override { return u"Made"; }
        std::int64_t GetNextExecutionTime() override { return 0; }
        taskplan::TriggerType GetTrigger() override { return taskplan::TriggerType::once; }
        int ShowProperty(const bk::String&) override { return 0; }
    };
    bool can_create_;
};

}  // namespace

class BackupWizardTest : public QObject {
    Q_OBJECT

    std::unique_ptr<brim_test::IsolatedHome> home;
    fs::path dir() const { return home->dir().path(); }
    fs::path crontab_table() const { return dir() / "crontab-table"; }

    std::unique_ptr<CBakWzdDlg> open_wizard() {
        auto wizard = std::make_unique<CBakWzdDlg>(u"New job");
        [&] { QVERIFY(wizard->Init()); }();
        wizard->show();
        QApplication::setActiveWindow(wizard.get());
        return wizard;
    }

    // A folder with one file, chosen on the sources page; the wizard is
    // left on the name page.
    fs::path choose_sources(CBakWzdDlg& wizard) {
        const fs::path source = dir() / "data";
        fs::create_directories(source);
        brim_test::write_bytes(source / "a.txt", "alpha");
        wizard.next();
        auto& picker = static_cast<SourcesPage*>(wizard.page(sources_page))->picker();
        brim::SourceData data{wide(source), brim::SourceType::directory, true};
        picker.tree().Display({&data});
        emit picker.selectionChanged();
        wizard.next();
        return source;
    }

    void enter_name(CBakWzdDlg& wizard, const QString& name, const QString& destination) {
        QWidget& page = *wizard.page(name_page);
        child<QLineEdit>(page, "name")->setText(name);
        child<QComboBox>(page, "destination")->setEditText(destination);
    }

    // Through the sources and the name page to the short summary.
    void reach_short_summary(CBakWzdDlg& wizard, const QString& name = "Daily") {
        choose_sources(wizard);
        enter_name(wizard, name, to_qstring(wide(dir() / "dest")));
        wizard.next();
        [&] { QCOMPARE(wizard.currentId(), int(short_summary_page)); }();
    }

    void advance(CBakWzdDlg& wizard) { child<QPushButton>(*wizard.page(short_summary_page), "advanced")->click(); }

    void use_crontab_stand_in() {
        brim_test::write_fake_crontab(dir() / "crontab", crontab_table());
        home->set("BRIMVAULT_CRONTAB", (dir() / "crontab").string());
        taskplan::CTaskPlanner::Install(taskplan::crontab_task_planner());
        taskplan::CTaskPlanner::SetDialogs(std::make_shared<QuietDialogs>());
    }

    std::vector<bk::String> job_names() const {
        std::vector<bk::String> names;
        for (const brim::BackupItem* job : brim::BackupItemManager::instance()->items()) names.push_back(job->name);
        return names;
    }

private slots:
    void init() {
        home = std::make_unique<brim_test::IsolatedHome>(brim_test::reset_gui_singletons);
        uictl::force_ui_language(uictl::UiLanguage::english);
    }
    void cleanup() {
        SetPasswordAnswer({});
        taskplan::CTaskPlanner::Install(nullptr);
        taskplan::CTaskPlanner::SetDialogs(nullptr);
        uictl::force_ui_language(std::nullopt);
        home.reset();
    }

    void the_sources_page_needs_a_choice_before_next() {
        auto wizard = open_wizard();
        wizard->next();
        QCOMPARE(wizard->currentId(), int(sources_page));
        QWidget& page = *wizard->page(sources_page);
        QCOMPARE(child<QLabel>(page, "choice")->text(), message(text_id::nothing_chosen));
        QVERIFY(!wizard->button(QWizard::NextButton)->isEnabled());
        QVERIFY(wizard->button(QWizard::BackButton)->isEnabled());
        wizard->next();
        QCOMPARE(wizard->currentId(), int(sources_page));

        const fs::path source = dir() / "data";
        brim::SourceData data{wide(source), brim::SourceType::directory, true};
        auto& picker = static_cast<SourcesPage&>(page).picker();
        picker.tree().Display({&data});
        emit picker.selectionChanged();
        QVERIFY(wizard->button(QWizard::NextButton)->isEnabled());
        QVERIFY(child<QLabel>(page, "choice")->text().contains(to_qstring(wide(source))));
        wizard->next();
        QCOMPARE(wizard->currentId(), int(name_page));
        QCOMPARE(wizard->GetBackupItem()->sources, std::vector<brim::SourceData>{data});
    }

    void the_name_page_refuses_a_fault_with_its_message_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("on_name");  // else the focus is on the destination
        const QString dest = "$DEST";
        QTest::newRow("placeholder") << message(text_id::job_name_placeholder) << dest
                                     << message(text_id::enter_job_name) << true;
        QTest::newRow("empty name") << "" << dest << message(text_id::enter_job_name) << true;
        QTest::newRow("empty destination") << "Daily" << "" << message(text_id::choose_destination) << false;
        QTest::newRow("33 characters") << QString(33, 'n') << dest << message(text_id::job_name_too_long) << true;
        QTest::newRow("refused character") << "a?b" << dest << message(text_id::bad_job_name) << true;
        QTest::newRow("relative destination")
            << "Daily" << "backups" << to_qstring(job_strings().format(text_id::relative_destination, {u"backups"}))
            << false;
        QTest::newRow("taken in other case")
            << "NIGHTLY" << dest << to_qstring(job_strings().format(text_id::job_name_taken, {u"Nightly"})) << true;
        QTest::newRow("FTP without host")
            << "Daily" << "ftp://ann@/x"
            << to_qstring(job_strings().format(text_id::bad_ftp_destination, {u"ftp://ann@/x"})) << false;
        QTest::newRow("FTP port out of range")
            << "Daily" << "ftp://host:70000/x"
            << to_qstring(job_strings().format(text_id::bad_ftp_destination, {u"ftp://host:70000/x"})) << false;
    }
    void the_name_page_refuses_a_fault_with_its_message() {
        QFETCH(QString, name);
        QFETCH(QString, destination);
        QFETCH(QString, expected);
        QFETCH(bool, on_name);
        brim::BackupItemManager::instance()->create_item()->name = u"Nightly";
        auto wizard = open_wizard();
        choose_sources(*wizard);
        destination.replace("$DEST", to_qstring(wide(dir() / "dest")));
        enter_name(*wizard, name, destination);
        uictl::MessageBoxSeam seam;
        wizard->next();
        QCOMPARE(wizard->currentId(), int(name_page));
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QCOMPARE(to_qstring(seam.shown().front().text), expected);
        QWidget& page = *wizard->page(name_page);
        QVERIFY(child<QWidget>(page, on_name ? "name" : "destination")->hasFocus());
        QVERIFY(wizard->GetJobName().empty());
    }

    void a_taken_name_shows_its_help_and_is_checked_on_every_pass() {
        brim::BackupItemManager::instance()->create_item()->name = u"Weekly";
        auto wizard = open_wizard();
        reach_short_summary(*wizard);
        // Back on the name page, the name is changed to one that is taken.
        wizard->back();
        enter_name(*wizard, "weekly", to_qstring(wide(dir() / "dest")));
        uictl::MessageBoxSeam seam;
        wizard->next();
        QCOMPARE(wizard->currentId(), int(name_page));
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QCOMPARE(seam.shown().front().help_context, job_name_taken_help);
        QVERIFY(seam.shown().front().flags & mb::help);
        // Its own name does not clash with itself.
        enter_name(*wizard, "Daily", to_qstring(wide(dir() / "dest")));
        wizard->next();
        QCOMPARE(wizard->currentId(), int(short_summary_page));
        QCOMPARE(seam.shown().size(), std::size_t{1});
    }

    void an_existing_set_is_cleared_only_when_the_user_agrees() {
        const fs::path set = dir() / "dest" / "Daily.bvf";
        fs::create_directories(set.parent_path());
        brim_test::write_bytes(set, "an old set");
        auto wizard = open_wizard();
        choose_sources(*wizard);
        enter_name(*wizard, "Daily", to_qstring(wide(dir() / "dest")));
        uictl::MessageBoxSeam seam;
        seam.answer_next(button_id::no);
        wizard->next();
        QCOMPARE(wizard->currentId(), int(name_page));
        QCOMPARE(to_qstring(seam.shown().back().text),
                 to_qstring(job_strings().format(text_id::clear_existing_set, {wide(set)})));
        QVERIFY(fs::exists(set));
        seam.answer_next(button_id::yes);
        wizard->next();
        QCOMPARE(wizard->currentId(), int(short_summary_page));
        QVERIFY(!fs::exists(set));
    }

    void a_protected_set_is_cleared_only_with_its_password() {
        // A set protected by "secret", written as a job of that name would.
        brim::BackupItem old;
        old.name = u"Daily";
        old.kind = BackupKind::increment;
        old.destination = wide(dir() / "dest");
        old.options = opt::cipher_xor | opt::password;
        old.password = u"secret";
        fs::create_directories(dir() / "dest");
        {
            brim::archive::DataKey key;
            const auto header = brim::archive::new_security_header(old, brim::archive::ArchiveFormatV2(),
                                                                   bk::Date::now_time(), key);
            auto root = std::make_unique<brim::DataHeader>(brim::ItemKind::directory, u"");
            brim::archive::recount(*root);
            brim::archive::SetWriter writer(old.archive_file(), {});
            writer.begin_run(header, brim::archive::RunHeader{}, *root, false);
            writer.finish_run();
        }
        const fs::path set = bk::to_ansi(old.archive_file());
        QVERIFY(fs::exists(set));

        auto wizard = open_wizard();
        choose_sources(*wizard);
        enter_name(*wizard, "Daily", to_qstring(old.destination));
        std::vector<std::optional<bk::String>> answers{std::nullopt, bk::String(u"wrong"), bk::String(u"secret")};
        std::vector<bk::String> prompts;
        SetPasswordAnswer([&](const bk::String& text) {
            prompts.push_back(text);
            auto answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        });
        uictl::MessageBoxSeam seam;
        // Cancelled, then wrong: the set stays and so does the page.
        for (int pass = 0; pass < 2; ++pass) {
            seam.answer_next(button_id::yes);
            wizard->next();
            QCOMPARE(wizard->currentId(), int(name_page));
            QVERIFY(fs::exists(set));
        }
        QCOMPARE(to_qstring(seam.shown().back().text),
                 to_qstring(job_strings().format(text_id::set_password_wrong, {wide(set)})));
        seam.answer_next(button_id::yes);
        wizard->next();
        QCOMPARE(wizard->currentId(), int(short_summary_page));
        QVERIFY(!fs::exists(set));
        QCOMPARE(prompts.size(), std::size_t{3});
        QCOMPARE(prompts.front(), job_strings().format(text_id::set_password_prompt, {wide(set)}));
        // The old set's password is not the new job's.
        QVERIFY(wizard->GetBackupItem()->password.empty());
    }

    void an_ftp_destination_keeps_its_server_entry() {
        auto wizard = open_wizard();
        choose_sources(*wizard);
        enter_name(*wizard, "Daily", "ftp://ann@127.0.0.1:2121/backups");
        std::optional<bk::String> answer;  // cancelled first
        SetPasswordAnswer([&](const bk::String&) { return answer; });
        wizard->next();
        QCOMPARE(wizard->currentId(), int(name_page));
        answer = u"pw";
        wizard->next();
        QCOMPARE(wizard->currentId(), int(short_summary_page));
        const brim::BackupItem& job = *wizard->GetBackupItem();
        QCOMPARE(to_qstring(job.destination), QStringLiteral("ftp://127.0.0.1:2121/backups"));
        QCOMPARE(job.ftp_servers.size(), std::size_t{1});
        QCOMPARE(to_qstring(job.ftp_servers[0].server), QStringLiteral("127.0.0.1"));
        QCOMPARE(to_qstring(job.ftp_servers[0].user), QStringLiteral("ann"));
        QCOMPARE(to_qstring(job.ftp_servers[0].password), QStringLiteral("pw"));
        QCOMPARE(job.ftp_servers[0].port, std::uint16_t{2121});
        QVERIFY(!brim::ftp_destination_fault(job));

        // Back on the page the destination reads as written, and passing
        // it again keeps the user (the password is asked again).
        wizard->back();
        wizard->back();
        wizard->next();
        const auto* destination = child<QComboBox>(*wizard->page(name_page), "destination");
        QCOMPARE(destination->currentText(), QStringLiteral("ftp://ann@127.0.0.1:2121/backups"));
        answer = u"pw2";
        wizard->next();
        QCOMPARE(job.ftp_servers.size(), std::size_t{1});
        QCOMPARE(to_qstring(job.ftp_servers[0].user), QStringLiteral("ann"));
        QCOMPARE(to_qstring(job.ftp_servers[0].password), QStringLiteral("pw2"));
        wizard->button(QWizard::FinishButton)->click();
        QCOMPARE(CSystemOption::GetInstance()->GetDestHistory(backup_destinations).back(),
                 bk::String(u"ftp://ann@127.0.0.1:2121/backups"));
    }

    void finishing_on_the_short_summary_gives_the_default_job() {
        CSystemOption::GetInstance()->SetBackupKind(int(BackupKind::normal));
        CSystemOption::GetInstance()->SetBackupOption(int(opt::verify | opt::keep_set));
        auto wizard = open_wizard();
        reach_short_summary(*wizard);
        QVERIFY(wizard->button(QWizard::FinishButton)->isVisible());
        const QString summary = child<QLabel>(*wizard->page(short_summary_page), "values")->text();
        QVERIFY2(summary.contains("Daily") && summary.contains("Full Backup"), qPrintable(summary));
        brim::BackupItem* job = wizard->GetBackupItem();
        wizard->button(QWizard::FinishButton)->click();
        QCOMPARE(wizard->result(), int(QDialog::Accepted));
        QCOMPARE(wizard->GetBackupItem(), job);
        QCOMPARE(job->kind, BackupKind::normal);
        QCOMPARE(job->options, (opt::new_job_default | opt::verify | opt::keep_set) & ~opt::retry);
        QVERIFY(job->task_name.empty());
        QVERIFY(job->trigger == nullptr);
        QVERIFY(wizard->RunsNow());
        QCOMPARE(job_names(), std::vector<bk::String>{u"Daily"});
        QCOMPARE(CSystemOption::GetInstance()->GetDestHistory(backup_destinations).back(), wide(dir() / "dest"));
        wizard.reset();
        QCOMPARE(job_names(), std::vector<bk::String>{u"Daily"});  // kept after the wizard is gone
    }

    void the_advanced_pages_fill_the_job() {
        auto wizard = open_wizard();
        reach_short_summary(*wizard);
        advance(*wizard);
        QCOMPARE(wizard->currentId(), int(kind_page));
        auto* kind = child<QComboBox>(*wizard->page(kind_page), "kind");
        kind->setCurrentIndex(kind->findData(int(BackupKind::normal)));
        QCOMPARE(child<QLabel>(*wizard->page(kind_page), "description")->text(),
                 to_qstring(BakTypeDescription(BackupKind::normal)));
        QVERIFY(!child<QPushButton>(*wizard->page(kind_page), "combination")->isEnabled());
        wizard->next();
        child<QRadioButton>(*wizard->page(save_mode_page), "replace")->setChecked(true);
        wizard->next();
        QCOMPARE(wizard->currentId(), int(security_page));
        QWidget& security = *wizard->page(security_page);
        child<QComboBox>(security, "security")->setCurrentIndex(4);
        child<QLineEdit>(security, "password")->setText("secret");
        child<QLineEdit>(security, "confirmation")->setText("secret");
        wizard->next();
        QCOMPARE(wizard->currentId(), int(filter_page));
        wizard->next();
        child<QCheckBox>(*wizard->page(options_page), "notify")->setChecked(false);
        child<QCheckBox>(*wizard->page(options_page), "verify")->setChecked(true);
        wizard->next();
        child<QCheckBox>(*wizard->page(open_files_page), "open_files")->setChecked(false);
        wizard->next();
        QCOMPARE(wizard->currentId(), int(schedule_page));
        wizard->next();
        QCOMPARE(wizard->currentId(), int(summary_page));
        const QString summary = child<QLabel>(*wizard->page(summary_page), "values")->text();
        QVERIFY2(summary.contains("replace the set") && summary.contains("verify when done"), qPrintable(summary));
        wizard->button(QWizard::FinishButton)->click();
        const brim::BackupItem& job = *wizard->GetBackupItem();
        QCOMPARE(job.kind, BackupKind::normal);
        QCOMPARE(job.options & opt::keep_set, 0u);
        QCOMPARE(job.options & opt::security_mask, opt::cipher_rijndael);
        QCOMPARE(to_qstring(job.password), QStringLiteral("secret"));
        QCOMPARE(job.options & (opt::notify | opt::verify | opt::open_file | opt::retry), opt::verify);
    }

    void the_security_page_checks_the_password_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<int>("fault");  // 0: accepted
        QTest::newRow("different confirmation") << "secret" << "Secret" << int(text_id::password_mismatch);
        QTest::newRow("3 characters") << "abc" << "abc" << int(text_id::password_length);
        QTest::newRow("33 characters") << QString(33, 'p') << QString(33, 'p') << int(text_id::password_length);
        QTest::newRow("4 characters") << "abcd" << "abcd" << 0;
        QTest::newRow("32 characters") << QString(32, 'p') << QString(32, 'p') << 0;
    }
    void the_security_page_checks_the_password() {
        QFETCH(QString, password);
        QFETCH(QString, confirmation);
        QFETCH(int, fault);
        auto wizard = open_wizard();
        reach_short_summary(*wizard);
        advance(*wizard);
        wizard->next();
        wizard->next();
        QWidget& page = *wizard->page(security_page);
        child<QComboBox>(page, "security")->setCurrentIndex(2);
        child<QLineEdit>(page, "password")->setText(password);
        child<QLineEdit>(page, "confirmation")->setText(confirmation);
        uictl::MessageBoxSeam seam;
        wizard->next();
        QCOMPARE(wizard->currentId(), fault == 0 ? int(filter_page) : int(security_page));
        QCOMPARE(seam.shown().size(), std::size_t(fault == 0 ? 0 : 1));
        if (fault != 0) {
            QCOMPARE(to_qstring(seam.shown().front().text), message(fault));
            QCOMPARE(to_qstring(seam.shown().front().title), message(text_id::password_fault_title));
            QVERIFY(child<QLineEdit>(page, "password")->hasFocus());
            QCOMPARE(wizard->GetBackupItem()->options & opt::security_mask, 0u);
        } else {
            QCOMPARE(to_qstring(wizard->GetBackupItem()->password), password);
        }
    }

    void merge_copy_skips_the_security_page_and_keeps_no_password() {
        auto wizard = open_wizard();
        reach_short_summary(*wizard);
        advance(*wizard);
        wizard->next();
        wizard->next();
        // A password set first, then the kind changed to merge copy.
        QWidget& security = *wizard->page(security_page);
        child<QComboBox>(security, "security")->setCurrentIndex(1);
        child<QLineEdit>(security, "password")->setText("secret");
        child<QLineEdit>(security, "confirmation")->setText("secret");
        wizard->next();
        QCOMPARE(wizard->currentId(), int(filter_page));
        while (wizard->currentId() != kind_page) wizard->back();
        auto* kind = child<QComboBox>(*wizard->page(kind_page), "kind");
        kind->setCurrentIndex(kind->findData(int(BackupKind::merge_copy)));
        wizard->next();
        wizard->next();
        QCOMPARE(wizard->currentId(), int(filter_page));
        while (wizard->currentId() != summary_page) wizard->next();
        QVERIFY(!wizard->visitedIds().contains(security_page));
        wizard->button(QWizard::FinishButton)->click();
        const brim::BackupItem& job = *wizard->GetBackupItem();
        QCOMPARE(job.kind, BackupKind::merge_copy);
        QCOMPARE(job.options & opt::security_mask, 0u);
        QVERIFY(job.password.empty());
    }

    void the_filter_page_offers_the_known_extensions_and_records_new_ones() {
        CSystemOption& options = *CSystemOption::GetInstance();
        options.AddFileExt(u".tmp", u"Temporary files");
        auto wizard = open_wizard();
        reach_short_summary(*wizard);
        advance(*wizard);
        while (wizard->currentId() != filter_page) wizard->next();
        QWidget& page = *wizard->page(filter_page);
        auto* list = child<QTreeWidget>(page, "extensionList");
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral(".tmp"));
        QVERIFY(!child<QCheckBox>(page, "useFilter")->isChecked());
        child<QCheckBox>(page, "useFilter")->click();
        child<QRadioButton>(page, "excludeExtensions")->click();
        child<ExtensionFilterEditor>(page, "extensionFilter")
            ->SetAskExtension([](QWidget*, bk::String& extension, bk::String& description) {
                extension = u".bak";
                description = u"Copies";
                return true;
            });
        child<QPushButton>(page, "addExtension")->click();
        wizard->next();
        const brim::BackupItem& job = *wizard->GetBackupItem();
        QCOMPARE(job.options & (opt::ignore_ext | opt::aware_ext), opt::ignore_ext);
        QCOMPARE(job.extensions.size(), std::size_t{2});
        const auto known = options.GetFileExts();
        QCOMPARE(known.size(), std::size_t{2});
        QCOMPARE(to_qstring(known.front().first), QStringLiteral(".bak"));  // sorted
        // Back on the page, the job's own filter shows.
        wizard->back();
        QVERIFY(child<QCheckBox>(page, "useFilter")->isChecked());
        QCOMPARE(list->topLevelItemCount(), 2);
    }

    void finishing_keeps_a_combination_rule_only_for_incremental_kinds_data() {
        QTest::addColumn<BackupKind>("kind");
        QTest::addColumn<bool>("kept");
        QTest::newRow("increment") << BackupKind::increment << true;
        QTest::newRow("increment copy") << BackupKind::increment_copy << true;
        QTest::newRow("normal") << BackupKind::normal << false;
        QTest::newRow("copy") << BackupKind::copy << false;
        QTest::newRow("merge copy") << BackupKind::merge_copy << false;
    }
    void finishing_keeps_a_combination_rule_only_for_incremental_kinds() {
        QFETCH(BackupKind, kind);
        QFETCH(bool, kept);
        auto wizard = open_wizard();
        reach_short_summary(*wizard);
        auto rule = std::make_unique<brim::TriggerData>();
        rule->value = 5;
        wizard->SetTriggerData(std::move(rule));
        advance(*wizard);
        auto* combo = child<QComboBox>(*wizard->page(kind_page), "kind");
        combo->setCurrentIndex(combo->findData(int(kind)));
        QCOMPARE(child<QPushButton>(*wizard->page(kind_page), "combination")->isEnabled(), kept);
        while (wizard->currentId() != summary_page) wizard->next();
        wizard->button(QWizard::FinishButton)->click();
        QCOMPARE(wizard->GetBackupItem()->trigger != nullptr, kept);
        QCOMPARE(wizard->GetBackupItem()->options & opt::retry, 0u);
    }

    void a_task_made_for_later_goes_when_now_is_chosen_at_the_end() {
        use_crontab_stand_in();
        for (const bool later : {true, false}) {
            auto wizard = open_wizard();
            reach_short_summary(*wizard, later ? "Later" : "Now");
            advance(*wizard);
            while (wizard->currentId() != schedule_page) wizard->next();
            QWidget& page = *wizard->page(schedule_page);
            QVERIFY(!child<QPushButton>(page, "set_schedule")->isEnabled());
            child<QRadioButton>(page, "later")->click();
            const bk::String task = wizard->GetBackupItem()->task_name;
            QVERIFY(!task.empty());
            QVERIFY(child<QPushButton>(page, "set_schedule")->isEnabled());
            QVERIFY(taskplan::CTaskPlanner::GetInstance(1)->GetTask(task) != nullptr);
            QVERIFY(child<QLabel>(page, "next_run")->text() != message(text_id::no_next_run));
            if (!later) child<QRadioButton>(page, "now")->click();
            wizard->next();
            wizard->button(QWizard::FinishButton)->click();
            QCOMPARE(taskplan::CTaskPlanner::GetInstance(1)->GetTask(task) != nullptr, later);
            QCOMPARE(wizard->GetBackupItem()->task_name.empty(), !later);
            QCOMPARE(wizard->RunsNow(), !later);
        }
    }

    void scheduler_failures_are_shown_and_the_wizard_stays_data() {
        QTest::addColumn<bool>("can_create");
        QTest::addColumn<int>("fault");
        QTest::newRow("not created") << false << int(text_id::task_not_created);
        QTest::newRow("not edited") << true << int(text_id::task_not_edited);
    }
    void scheduler_failures_are_shown_and_the_wizard_stays() {
        QFETCH(bool, can_create);
        QFETCH(int, fault);
        taskplan::CTaskPlanner::Install(std::make_unique<FailingPlanner>(can_create));
        auto wizard = open_wizard();
        reach_short_summary(*wizard);
        advance(*wizard);
        while (wizard->currentId() != schedule_page) wizard->next();
        QWidget& page = *wizard->page(schedule_page);
        uictl::MessageBoxSeam seam;
        child<QRadioButton>(page, "later")->click();
        if (can_create) child<QPushButton>(page, "set_schedule")->click();
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QCOMPARE(to_qstring(seam.shown().front().text), message(fault));
        QCOMPARE(child<QRadioButton>(page, "later")->isChecked(), can_create);
        QCOMPARE(wizard->currentId(), int(schedule_page));
        QVERIFY(wizard->isVisible());
    }

    void a_cancelled_wizard_leaves_the_store_and_the_crontab_as_they_were_data() {
        QTest::addColumn<int>("page");
        QTest::newRow("on the name page") << int(name_page);
        QTest::newRow("on the short summary") << int(short_summary_page);
        QTest::newRow("after scheduling") << int(summary_page);
    }
    void a_cancelled_wizard_leaves_the_store_and_the_crontab_as_they_were() {
        QFETCH(int, page);
        use_crontab_stand_in();
        brim::BackupItemManager& store = *brim::BackupItemManager::instance();
        store.create_item()->name = u"Kept";
        store.save();
        const fs::path job_file = home->data_dir() / "config" / "brimkeep.config";
        const std::string jobs_before = brim_test::read_bytes(job_file);
        const std::string table_before = fs::exists(crontab_table()) ? brim_test::read_bytes(crontab_table()) : "";
        auto wizard = open_wizard();
        QCOMPARE(job_names().size(), std::size_t{2});  // the new job is in the store at once
        if (page == name_page) {
            choose_sources(*wizard);
        } else {
            reach_short_summary(*wizard);
            if (page == summary_page) {
                advance(*wizard);
                while (wizard->currentId() != schedule_page) wizard->next();
                child<QRadioButton>(*wizard->page(schedule_page), "later")->click();
                QVERIFY(brim_test::read_bytes(crontab_table()) != table_before);
                wizard->next();
            }
        }
        QCOMPARE(wizard->currentId(), page);
        // Escape cancels.
        QTest::keyClick(wizard.get(), Qt::Key_Escape);
        QCOMPARE(wizard->result(), int(QDialog::Rejected));
        QVERIFY(wizard->GetBackupItem() == nullptr);
        QCOMPARE(job_names(), std::vector<bk::String>{u"Kept"});
        store.save();
        QCOMPARE(brim_test::read_bytes(job_file), jobs_before);
        const std::string table_after = fs::exists(crontab_table()) ? brim_test::read_bytes(crontab_table()) : "";
        QCOMPARE(table_after, table_before);
    }

    void the_destination_offers_the_history_and_the_folder_chooser() {
        CSystemOption& options = *CSystemOption::GetInstance();
        options.AddNewDest(u"/srv/old", backup_destinations);
        options.AddNewDest(u"/srv/new", backup_destinations);
        auto wizard = open_wizard();
        choose_sources(*wizard);
        auto* destination = child<QComboBox>(*wizard->page(name_page), "destination");
        QCOMPARE(destination->count(), 2);
        QCOMPARE(destination->itemText(0), QStringLiteral("/srv/new"));
        QString started_at;
        uictl::set_directory_chooser([&](const QString&, const QString& start) {
            started_at = start;
            return QStringLiteral("/mnt/share/backups");
        });
        destination->setEditText("/srv/old");
        child<QPushButton>(*wizard->page(name_page), "browse")->click();
        uictl::set_directory_chooser({});
        QCOMPARE(started_at, QStringLiteral("/srv/old"));
        QCOMPARE(destination->currentText(), QStringLiteral("/mnt/share/backups"));
    }

    void the_one_call_gives_the_finished_job_or_null() {
        for (const bool finish : {false, true}) {
            bool driven = false;
            QTimer::singleShot(0, [&] {
                auto* wizard = qobject_cast<CBakWzdDlg*>(QApplication::activeModalWidget());
                if (wizard == nullptr) return;
                driven = true;
                if (!finish) return wizard->reject();
                reach_short_summary(*wizard, "OneCall");
                wizard->button(QWizard::FinishButton)->click();
            });
            bool run_now = false;
            brim::BackupItem* job = RunBackupWizard(nullptr, &run_now);
            QVERIFY(driven);
            QCOMPARE(job != nullptr, finish);
            QCOMPARE(job_names().size(), std::size_t(finish ? 1 : 0));
            if (finish) {
                QCOMPARE(to_qstring(job->name), QStringLiteral("OneCall"));
                QVERIFY(run_now);
            }
        }
    }

    void keyboard_enter_goes_on_and_labels_have_mnemonics() {
        auto wizard = open_wizard();
        choose_sources(*wizard);
        QWidget& page = *wizard->page(name_page);
        auto* name = child<QLineEdit>(page, "name");
        QVERIFY(name->hasFocus());
        QCOMPARE(name->selectedText(), name->text());  // typing replaces the placeholder
        QTest::keyClicks(name, "Daily");
        // What was typed stays when the user goes back and comes again.
        wizard->back();
        wizard->next();
        QCOMPARE(name->text(), QStringLiteral("Daily"));
        QTest::keyClick(name, Qt::Key_Tab);
        QVERIFY(child<QComboBox>(page, "destination")->hasFocus());
        child<QComboBox>(page, "destination")->setEditText(to_qstring(wide(dir() / "dest")));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(wizard->currentId(), int(short_summary_page));
        QTest::keyClick(wizard.get(), Qt::Key_Return);
        QCOMPARE(wizard->result(), int(QDialog::Accepted));
        // Every label of a field and every button carries a mnemonic, none
        // used twice on a page or by the wizard's buttons shown with it.
        for (const auto language : {uictl::UiLanguage::english, uictl::UiLanguage::chinese}) {
            uictl::force_ui_language(language);
            CBakWzdDlg other(u"Mnemonics");
            QVERIFY(other.Init());
            const auto letter = [](const QString& text) { return text.at(text.indexOf('&') + 1).toLower(); };
            for (const int id : other.pageIds()) {
                QStringList texts;
                for (QLabel* label : other.page(id)->findChildren<QLabel*>())
                    if (label->buddy() != nullptr) texts << label->text();
                for (QAbstractButton* button : other.page(id)->findChildren<QAbstractButton*>()) texts << button->text();
                // Finish shows only on the pages that end the wizard.
                QSet<QChar> used{letter(other.buttonText(QWizard::BackButton)),
                                 letter(other.buttonText(QWizard::NextButton))};
                if (other.page(id)->nextId() == -1) used.insert(letter(other.buttonText(QWizard::FinishButton)));
                for (const QString& text : texts) {
                    QVERIFY2(text.contains('&'), qPrintable(text));
                    QVERIFY2(!used.contains(letter(text)), qPrintable(text));
                    used.insert(letter(text));
                }
            }
        }
    }

    void pictures_of_every_page_in_both_languages() {
        if (qEnvironmentVariableIsEmpty("BRIM_PICTURES_DIR")) QSKIP("no picture folder");
        for (const auto language : {uictl::UiLanguage::english, uictl::UiLanguage::chinese}) {
            uictl::force_ui_language(language);
            const QString tag = language == uictl::UiLanguage::english ? "en" : "zh";
            auto wizard = open_wizard();
            const auto name = [&](int id) { return QString("backup_wizard_%1_").arg(id + 1, 2, 10, QChar('0')) + tag; };
            brim_test::save_picture(wizard.get(), name(welcome_page), true);
            uictl::MessageBoxSeam seam;  // a box would show on the picture, and wait
            choose_sources(*wizard);
            wizard->back();
            for (int id = sources_page; id <= summary_page; ++id) {
                if (wizard->currentId() != id) {
                    if (id == kind_page) advance(*wizard);
                    else wizard->next();
                }
                QCOMPARE(wizard->currentId(), id);
                if (id == name_page) enter_name(*wizard, "Daily", to_qstring(wide(dir() / "dest")));
                brim_test::save_picture(wizard.get(), name(id), true);
            }
            QVERIFY(seam.shown().empty());
        }
    }
};

BRIM_QTEST_MAIN(BackupWizardTest)
#include "backup_wizard_test.moc"
