// The restore wizard: the option word and its summary without widgets,
// opening sets (reuse, missing volumes, damage, protected sets), each
// page's checks and jumps under the offscreen platform through the
// message-box seam, and its pictures in both languages.
#include <filesystem>
#include <fstream>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>

#include "basekit/convertion.h"
#include "basekit/date.h"
#include "core/archive/set_layout.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_manager.h"
#include "job/job_strings.h"
#include "job/restore_choice.h"
#include "job/restore_data_page.h"
#include "job/restore_wizard.h"
#include "job/system_option.h"
#include "job/volume_prompt.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "tests/support/temp_dir.h"
#include "uictl/brim_message_box.h"
#include "uictl/file_chooser.h"
#include "uictl/qt_text.h"
#include "uictl/restore_picker.h"
#include "uictl/restore_tree.h"
#include "uictl/ui_language.h"

using namespace job;
namespace fs = std::filesystem;
namespace ro = brim::restore_option;
using uictl::to_qstring;

namespace {

template <typename T>
T* child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(name);
    if (found == nullptr) qFatal("no child %s", name);
    return found;
}

bk::String wide(const fs::path& path) { return bk::from_ansi(path.string()); }

// Sets written by the core's own backup, in a folder of the test's own.
class Sets {
public:
    Sets() {
        fs::create_directories(src());
        fs::create_directories(dest());
        brim_test::write_bytes(src() / "a.txt", "alpha");
        fs::create_directories(src() / "sub");
        brim_test::write_bytes(src() / "sub" / "b.txt", "beta");
    }
    fs::path src() const { return dir_ / "src"; }
    fs::path dest() const { return dir_ / "dest"; }
    fs::path set_of(const char* name) const { return dest() / (std::string(name) + ".bvf"); }

    // A normal job of the store over src, run once.
    brim::BackupItem* job(const char* name, std::uint32_t options = 0, const char16_t* password = nullptr) {
        brim::BackupItem* job = brim::BackupItemManager::instance()->create_item();
        job->name = bk::from_ansi(name);
        job->kind = brim::BackupKind::normal;
        job->sources = {{wide(src()), brim::SourceType::directory, true}};
        job->destination = wide(dest());
        job->options |= options;
        job->creation_time = bk::Date::now_time();
        if (password != nullptr) job->crypted_password(password, false);
        run(*job);
        return job;
    }
    static void run(brim::BackupItem& job) {
        brim::NullBackupEvent quiet;
        auto session = brim::BackupSession::create_session(&job, brim::SessionDirection::backup);
        session->install(&quiet);
        session->backup();
    }

private:
    brim_test::TempDir dir_;
};

// Answers no question: the wizard's functions that count what they saw.
struct Lent {
    int proved = 0;
    bool password_right = true;
    std::vector<bk::String> archives;
    brim::BackupItem* running = nullptr;
    ResWzdFunctions functions() {
        ResWzdFunctions f;
        f.archive_opened = [this](const bk::String& path) { archives.push_back(path); };
        f.is_running = [this](brim::BackupItem* job) { return job == running ? 1 : 0; };
        f.prove_password = [this](brim::BackupItem& job, const bk::String&) {
            ++proved;
            return password_right && job.check_password(u"secret");
        };
        return f;
    }
};

bool box_says(const uictl::ShownMessage& box, std::uint32_t id) {
    return box.text.find(job_strings().text(id)) != bk::String::npos;
}

// Ticks every item the data page shows.
void select_all(CResWzdDlg& wizard) {
    auto& tree = static_cast<ResDataPage*>(wizard.page(res_page::data))->picker().tree();
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        tree.SetItemState(tree.node_of(tree.topLevelItem(i)), uictl::selected);
}

void click(QWidget& page, const char* name) { child<QAbstractButton>(page, name)->click(); }

}  // namespace

class RestoreWizardTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        brim_test::reset_gui_singletons();
        uictl::force_ui_language(uictl::UiLanguage::english);
    }
    void cleanup() {
        set_volume_asker({});
        uictl::force_ui_language(std::nullopt);
        brim_test::reset_gui_singletons();
    }

    // ---- the option word ----

    void theOptionWordKeepsWhatEachSetterDoesNotOwn() {
        RestoreChoice choice(36);
        QCOMPARE(ExistingChoiceIndex(choice.GetResopt()), 1);  // ask the user
        QVERIFY(choice.KeepsStructure() && !choice.DriveFolder() && choice.GetFileModify() == 0);
        choice.SetResopt(ro::existing_skip);
        choice.SetResopt(ro::existing_newer | 0x0F);  // only the existing-file bits are taken
        QCOMPARE(choice.GetResopt(), RestoreOption{0x44});
        choice.SetFileModify(1);
        QCOMPARE(choice.GetResopt(), RestoreOption{0x46});
        choice.SetFileModify(0);
        QCOMPARE(choice.GetResopt(), RestoreOption{0x44});

        struct Case {
            RestoreOption start;
            int keep, drive;
            RestoreOption after;
        };
        for (const Case& c : {Case{0x20, 1, 1, 0x2C}, Case{0x2C, 1, 0, 0x24}, Case{0x2C, 0, 1, 0x20},
                              Case{0x28, 0, 0, 0x20}, Case{0x22, 1, 0, 0x26}}) {
            RestoreChoice keep(c.start);
            keep.SetPreserveDirStructure(c.keep, c.drive);
            QCOMPARE(keep.GetResopt(), c.after);
        }
        for (RestoreOption unnamed : {0x00u, 0x50u, 0xF0u}) {
            QCOMPARE(ExistingChoiceIndex(unnamed), -1);
            // The restore replaces for these: the summary says so.
            QCOMPARE(ExistingChoiceText(unnamed), job_strings().text(text_id::always_replace));
        }
    }

    void theSummaryTellsTheChoices() {
        brim::BackupItem job;
        job.name = u"Daily";
        RestoreChoice choice(0x4E);
        choice.SetDestination(u"/restore/here");
        const auto lines = RestoreSummary(job, choice);
        QStringList values;
        for (const auto& line : lines) values << to_qstring(line.value);
        QCOMPARE(values[0], QStringLiteral("Daily"));
        QCOMPARE(values[1], QStringLiteral("/restore/here"));
        QCOMPARE(values[2], QStringLiteral("Replace older files"));
        QCOMPARE(values.mid(4), (QStringList{"Yes", "Yes", "Yes"}));
        RestoreChoice plain(0x10);
        const auto first = RestoreSummary(job, plain);
        QCOMPARE(to_qstring(first[1].value), QStringLiteral("Original place"));
        QCOMPARE(to_qstring(first[2].value), QStringLiteral("Skip files"));
        QCOMPARE(to_qstring(first[5].value), QStringLiteral("No"));
    }

    // The user's starting choice, on the pages that show it; a stored
    // flattening bit without the kept structure is not taken.
    void theStartingChoiceComesFromTheUsersOptions_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("checked");
        QTest::newRow("default") << 36 << 36 << "ask";
        QTest::newRow("flatten alone") << 0x18 << 0x10 << "skip";
        QTest::newRow("nothing named") << 0x00 << 0x00 << "";
    }
    void theStartingChoiceComesFromTheUsersOptions() {
        QFETCH(int, stored);
        QFETCH(int, start);
        QFETCH(QString, checked);
        CSystemOption::GetInstance()->SetRestorceChoice(static_cast<std::uint32_t>(stored));
        Sets sets;
        brim::BackupItem* job = sets.job("Start");
        Lent lent;
        CResWzdDlg wizard(lent.functions(), {});
        QCOMPARE(wizard.GetResopt(), RestoreOption(start));
        wizard.StartWith(job, {});
        QCOMPARE(wizard.currentId(), int(res_page::data));
        select_all(wizard);
        wizard.ActiveAdvancedPage();
        QCOMPARE(wizard.currentId(), int(res_page::target));
        wizard.next();
        QWizardPage* page = wizard.currentPage();
        QCOMPARE(wizard.currentId(), int(res_page::existing));
        for (const char* name : {"skip", "ask", "replace", "older"})
            QCOMPARE(child<QRadioButton>(*page, name)->isChecked(), checked == name);
        // Nothing chosen: the user must choose before going on.
        QCOMPARE(wizard.button(QWizard::NextButton)->isEnabled(), !checked.isEmpty());
    }

    // ---- opening sets ----

    void theSameJobKeepsItsSession() {
        Sets sets;
        brim::BackupItem* job = sets.job("Twice");
        brim::BackupItem* other = sets.job("Other");
        Lent lent;
        CResWzdDlg wizard(lent.functions(), {});
        uictl::MessageBoxSeam seam;
        QCOMPARE(wizard.CreateSession(job), ResResult::ok);
        brim::BackupSession* first = wizard.GetBackupSession();
        QVERIFY(first != nullptr && !wizard.GetInfoHdr().empty());
        wizard.SetSelectData({wizard.GetInfoHdr().front()->root.get()});
        QCOMPARE(wizard.CreateSession(job), ResResult::ok);
        QCOMPARE(wizard.GetBackupSession(), first);
        QCOMPARE(wizard.GetHdr().size(), std::size_t{1});  // the selection stays too
        QCOMPARE(wizard.CreateSession(other), ResResult::ok);
        QCOMPARE(wizard.GetBackupItem(), other);
        QVERIFY(wizard.GetHdr().empty());
        QVERIFY(seam.shown().empty());
    }

    // A set whose next volume is missing asks for it. Given its new place,
    // the whole set opens; not given, the runs before it are read, which is
    // told (3141) and the wizard goes on with them.
    void aMissingVolumeIsAskedFor() {
        Sets sets;
        brim::BackupItem* job = brim::BackupItemManager::instance()->create_item();
        job->name = u"Vols";
        job->kind = brim::BackupKind::normal;
        job->sources = {{wide(sets.src()), brim::SourceType::directory, true}};
        job->destination = wide(sets.dest());
        job->options |= brim::job_option::keep_set;  // each run in a volume of its own
        job->append_mode = 1;
        job->rotation_times = 3;
        for (const char* text : {"run 1", "run 2"}) {
            brim_test::write_bytes(sets.src() / "a.txt", text);
            Sets::run(*job);
        }
        std::vector<fs::path> volumes;
        for (const auto& entry : fs::directory_iterator(sets.dest()))
            if (entry.path().extension() == ".bvs") volumes.push_back(entry.path());
        QCOMPARE(volumes.size(), std::size_t{1});
        const fs::path away = sets.dest().parent_path() / "away";
        fs::create_directories(away);
        fs::rename(volumes[0], away / volumes[0].filename());

        std::vector<bk::String> asked;
        bool give = false;
        set_volume_asker([&](bk::String& path) {
            asked.push_back(path);
            if (!give) return false;
            path = wide(away / fs::path(bk::to_ansi(path)).filename());
            return true;
        });
        Lent lent;
        CResWzdDlg wizard(lent.functions(), {});
        uictl::MessageBoxSeam seam;
        QCOMPARE(wizard.CreateSession(job), ResResult::ok);
        QCOMPARE(asked, std::vector<bk::String>{wide(volumes[0])});
        QCOMPARE(wizard.GetInfoHdr().size(), std::size_t{1});
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QVERIFY(box_says(seam.shown()[0], text_id::incomplete_catalogue));
        QVERIFY(seam.shown()[0].flags & mb::icon_warning);

        give = true;
        wizard.CreateSession(nullptr);  // another job (none): the open set goes
        QVERIFY(wizard.GetBackupSession() == nullptr);
        QCOMPARE(wizard.CreateSession(job), ResResult::ok);
        QCOMPARE(asked.size(), std::size_t{2});
        QCOMPARE(wizard.GetInfoHdr().size(), std::size_t{2});
        QCOMPARE(seam.shown().size(), std::size_t{1});
    }

    // A set that does not read: 356 with the reason, 146 and the job's
    // name, with Help; no session.
    void aDamagedSetIsToldWithTheJobsName() {
        Sets sets;
        brim::BackupItem* job = sets.job("Damaged");
        {
            std::fstream file(sets.set_of("Damaged"), std::ios::in | std::ios::out | std::ios::binary);
            file.write("garbage!garbage!", 16);
        }
        Lent lent;
        CResWzdDlg wizard(lent.functions(), {});
        uictl::MessageBoxSeam seam;
        QCOMPARE(wizard.CreateSession(job), ResResult::failed);
        QVERIFY(wizard.GetBackupSession() == nullptr);
        QCOMPARE(seam.shown().size(), std::size_t{1});
        const uictl::ShownMessage& box = seam.shown()[0];
        QCOMPARE(box.help_context, 1010);
        QVERIFY(box.flags & mb::icon_error);
        const QString text = to_qstring(box.text);
        QVERIFY2(text.contains(to_qstring(job_strings().text(text_id::cannot_open_suffix)) + "\n(Job \"Damaged\")"),
                 qPrintable(text));
        QVERIFY2(!text.startsWith(','), qPrintable(text));  // the reason comes first
    }

    // A protected set's job proves its password first: a wrong or missing
    // password leaves the set closed, and nothing else is said here.
    void aProtectedSetAsksForItsPassword() {
        Sets sets;
        sets.job("Safe", brim::job_option::cipher_rijndael | brim::job_option::password, u"secret");
        brim::BackupItemManager::del_instance();  // the set is opened as a file, not as the store's job
        const bk::String set = wide(sets.set_of("Safe"));
        Lent lent;
        lent.password_right = false;
        CResWzdDlg wizard(lent.functions(), {});
        uictl::MessageBoxSeam seam;
        QCOMPARE(wizard.OpenArchiveFile(set), ResResult::cancelled);
        QVERIFY(wizard.GetBackupSession() == nullptr);
        QCOMPARE(lent.proved, 1);
        QVERIFY(lent.archives.empty());
        lent.password_right = true;
        QCOMPARE(wizard.OpenArchiveFile(set), ResResult::ok);
        QCOMPARE(lent.proved, 2);
        QCOMPARE(lent.archives, std::vector<bk::String>{set});
        QVERIFY(wizard.IsOpenArchive() && wizard.GetSelArchive() == set);
        QCOMPARE(wizard.OpenArchiveFile(set), ResResult::ok);  // open already: not asked again
        QCOMPARE(lent.proved, 2);
        QVERIFY(seam.shown().empty());
        // The job made from the file goes with the session at Finish.
        RestoreHandover handover = wizard.TakeRestore();
        QVERIFY(handover.session && handover.archive_job);
        QCOMPARE(&handover.session->backup_item(), handover.archive_job.get());
        handover.session.reset();
    }

    // An archive file of a job of the store opens as that job.
    void anArchiveFileOfAStoreJobIsThatJob() {
        Sets sets;
        brim::BackupItem* job = sets.job("Mine");
        Lent lent;
        CResWzdDlg wizard(lent.functions(), {});
        QCOMPARE(wizard.OpenArchiveFile(wide(sets.set_of("Mine"))), ResResult::ok);
        QCOMPARE(wizard.GetBackupItem(), job);
        QVERIFY(!wizard.TakeRestore().archive_job);
    }

    // ---- pages ----

    // Browsing offers the archive files and describes the one chosen.
    void theArchivePageBrowsesForSets() {
        Sets sets;
        sets.job("Found");
        QString offered;
        uictl::set_file_chooser([&](bool save, const QString&, const QString& filter) {
            offered = save ? QString() : filter;
            return to_qstring(wide(sets.set_of("Found")));
        });
        Lent lent;
        CResWzdDlg wizard(lent.functions(), {});
        wizard.restart();
        wizard.next();
        child<QRadioButton>(*wizard.currentPage(), "fromArchive")->setChecked(true);
        wizard.next();
        QCOMPARE(wizard.currentId(), int(res_page::archive));
        QVERIFY(!wizard.button(QWizard::NextButton)->isEnabled());  // no file named yet
        click(*wizard.currentPage(), "browse");
        uictl::set_file_chooser({});
        QVERIFY2(offered.contains("*.bvf") && offered.contains("*.bvs"), qPrintable(offered));
        QCOMPARE(child<QLineEdit>(*wizard.currentPage(), "archivePath")->text(), to_qstring(wide(sets.set_of("Found"))));
        QCOMPARE(child<QLabel>(*wizard.currentPage(), "description")->text(), QStringLiteral("Job: Found"));
        wizard.next();
        QCOMPARE(wizard.currentId(), int(res_page::data));
    }

    // The data page refuses to go on without a selection.
    void theDataPageNeedsASelection() {
        Sets sets;
        brim::BackupItem* job = sets.job("Pick");
        Lent lent;
        CResWzdDlg wizard(lent.functions(), {});
        wizard.StartWith(job, {});
        QCOMPARE(wizard.currentId(), int(res_page::data));
        uictl::MessageBoxSeam seam;
        wizard.next();
        QCOMPARE(wizard.currentId(), int(res_page::data));
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QVERIFY(box_says(seam.shown()[0], text_id::nothing_selected));
        select_all(wizard);
        wizard.next();
        QCOMPARE(wizard.currentId(), int(res_page::short_summary));
        QVERIFY(!wizard.GetHdr().empty());
    }

    // The job list: a running job is refused; the source choice skips the
    // archive page and Back returns through the pages shown.
    void theJobListRefusesARunningJob() {
        Sets sets;
        brim::BackupItem* job = sets.job("Busy");
        Lent lent;
        lent.running = job;
        CResWzdDlg wizard(lent.functions(), {});
        uictl::MessageBoxSeam seam;
        wizard.StartWith(job, {});
        QCOMPARE(wizard.currentId(), int(res_page::job_list));
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QVERIFY(to_qstring(seam.shown()[0].text).contains("\"Busy\" is running"));
        QVERIFY(wizard.GetBackupSession() == nullptr);
        lent.running = nullptr;
        wizard.next();
        QCOMPARE(wizard.currentId(), int(res_page::data));
        QCOMPARE(wizard.visitedIds(), (QList<int>{res_page::welcome, res_page::source, res_page::job_list, res_page::data}));
        wizard.ActiveSelwzd();
        QCOMPARE(wizard.currentId(), int(res_page::source));
    }

    // The Advanced pages: another place, an existing-file rule chosen
    // twice, dates and folders; the summary shows them and Finish hands
    // them over.
    void theAdvancedPagesChangeWhatIsHandedOver() {
        Sets sets;
        brim::BackupItem* job = sets.job("Far");
        Lent lent;
        CResWzdDlg wizard(lent.functions(), {});
        uictl::MessageBoxSeam seam;
        wizard.StartWith(nullptr, wide(sets.set_of("Far")));
        QCOMPARE(wizard.currentId(), int(res_page::data));
        QCOMPARE(wizard.GetBackupItem(), job);
        // The archive page told whose set the file is.
        QCOMPARE(child<QLabel>(*wizard.page(res_page::archive), "description")->text(), QStringLiteral("Job: Far"));
        select_all(wizard);
        wizard.next();
        click(*wizard.currentPage(), "advanced");
        QCOMPARE(wizard.currentId(), int(res_page::target));
        QWizardPage* target = wizard.currentPage();
        QVERIFY(child<QRadioButton>(*target, "originalPlace")->isChecked());
        click(*target, "anotherPlace");
        child<QComboBox>(*target, "place")->setEditText(QString());
        wizard.next();
        QCOMPARE(wizard.currentId(), int(res_page::target));
        child<QComboBox>(*target, "place")->setEditText("relative/dir");
        wizard.next();
        QCOMPARE(wizard.currentId(), int(res_page::target));
        QCOMPARE(seam.shown().size(), std::size_t{2});
        QVERIFY(box_says(seam.shown()[0], text_id::no_target));
        QVERIFY(to_qstring(seam.shown()[1].text).contains("relative/dir"));
        child<QComboBox>(*target, "place")->setEditText("/restore/here");
        wizard.next();
        QCOMPARE(wizard.currentId(), int(res_page::existing));
        click(*wizard.currentPage(), "skip");
        wizard.next();
        wizard.back();
        click(*wizard.currentPage(), "older");
        wizard.next();
        QCOMPARE(wizard.GetResopt() & ro::existing_mask, ro::existing_newer);
        QWizardPage* dates = wizard.currentPage();
        QVERIFY(child<QCheckBox>(*dates, "keepStructure")->isChecked());  // from the starting 36
        child<QCheckBox>(*dates, "touch")->setChecked(true);
        QVERIFY(child<QCheckBox>(*dates, "driveFolder")->isChecked());
        wizard.next();
        QCOMPARE(wizard.currentId(), int(res_page::summary));
        QCOMPARE(wizard.nextId(), -1);  // Finish
        const QString summary = [&] {
            QStringList texts;
            for (const QLabel* label : wizard.currentPage()->findChildren<QLabel*>()) texts << label->text();
            return texts.join('|');
        }();
        QVERIFY2(summary.contains("/restore/here") && summary.contains("Replace older files"), qPrintable(summary));
        wizard.accept();
        RestoreHandover handover = wizard.TakeRestore();
        QVERIFY(handover.session != nullptr && !handover.selection.empty());
        QCOMPARE(handover.target, bk::String(u"/restore/here"));
        QCOMPARE(handover.option, RestoreOption{0x4E});
        QCOMPARE(CSystemOption::GetInstance()->GetDestHistory(restore_destinations),
                 std::vector<bk::String>{u"/restore/here"});
    }

    // ---- pictures ----

    void pictures_data() {
        QTest::addColumn<bool>("chinese");
        QTest::newRow("zh") << true;
        QTest::newRow("en") << false;
    }
    void pictures() {
        QFETCH(bool, chinese);
        if (qEnvironmentVariableIsEmpty("BRIM_PICTURES_DIR")) QSKIP("no pictures asked for");
        uictl::force_ui_language(chinese ? uictl::UiLanguage::chinese : uictl::UiLanguage::english);
        const QString suffix = chinese ? "_zh" : "_en";
        Sets sets;
        sets.job("Daily");
        brim::BackupItem* job = sets.job("Documents");
        Lent lent;
        CResWzdDlg wizard(lent.functions(), {});
        wizard.resize(720, 540);
        const auto shot = [&](const char* name) {
            brim_test::save_picture(&wizard, QStringLiteral("restore_wizard_") + name + suffix, true);
        };
        shot("1_welcome");
        wizard.next();
        shot("2_source");
        child<QRadioButton>(*wizard.currentPage(), "fromJob")->setChecked(true);
        wizard.next();
        static_cast<QTreeWidget*>(child<QTreeWidget>(*wizard.currentPage(), "jobs"))->setCurrentItem(
            child<QTreeWidget>(*wizard.currentPage(), "jobs")->topLevelItem(1));
        shot("3_job");
        wizard.back();
        child<QRadioButton>(*wizard.currentPage(), "fromArchive")->setChecked(true);
        wizard.next();
        child<QLineEdit>(*wizard.currentPage(), "archivePath")->setText(to_qstring(wide(sets.set_of("Documents"))));
        QMetaObject::invokeMethod(child<QLineEdit>(*wizard.currentPage(), "archivePath"), "editingFinished");
        shot("4_archive");
        wizard.next();
        QCOMPARE(wizard.GetBackupItem(), job);
        select_all(wizard);
        shot("5_data");
        wizard.next();
        shot("9_short_summary");
        wizard.ActiveAdvancedPage();
        click(*wizard.currentPage(), "anotherPlace");
        child<QComboBox>(*wizard.currentPage(), "place")->setEditText("/home/me/restored");
        shot("6_target");
        wizard.next();
        shot("7_existing");
        wizard.next();
        shot("8_dates");
        wizard.next();
        shot("10_summary");
        CVolumePromptDlg volume(nullptr, u"/media/disc/Documents_1.bvs");
        brim_test::save_picture(&volume, QStringLiteral("restore_volume_prompt") + suffix);
        wizard.reject();
    }
};

BRIM_QTEST_MAIN(RestoreWizardTest)
#include "restore_wizard_test.moc"
