// The option sheets of a job: the OK of the backup sheet as its form makes
// it (kind switches, passwords, the job put back when a password operation
// fails, filter, save mode, combination rule), a password change on a real
// set, the sheets' views under the offscreen platform, and their pictures in
// both languages.
#include <filesystem>
#include <fstream>

#include <QCheckBox>
#include <QComboBox>
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include "core/archive/set_security.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/job_options.h"
#include "core/jobs/version.h"
#include "job/backup_kinds.h"
#include "job/backup_option_sheet.h"
#include "job/job_strings.h"
#include "job/security_choice.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/help_files.h"
#include "uictl/qt_text.h"
#include "uictl/ui_language.h"

using namespace job;
using brim::BackupItem;
using uictl::to_qstring;
namespace fs = std::filesystem;
namespace opt = brim::job_option;

namespace {

constexpr std::uint32_t rijndael = opt::cipher_rijndael | opt::password;

template <typename T>
T* child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(name);
    if (found == nullptr) qFatal("no child %s", name);
    return found;
}

// A folder of its own under the suite's temporary home for each test.
fs::path fresh_folder(const char* name) {
    static int count = 0;
    const fs::path folder = fs::path(qPrintable(qEnvironmentVariable("HOME"))) / (name + std::to_string(++count));
    fs::create_directories(folder);
    return folder;
}

bk::String wide(const fs::path& path) {
    return QString::fromStdString(path.string()).toStdU16String();
}

// A normal job over a small tree; protected with `password` when given.
void make_job(BackupItem& job, const char16_t* password = nullptr) {
    const fs::path folder = fresh_folder("job");
    fs::create_directories(folder / "src");
    std::ofstream(folder / "src" / "a.txt") << "some data";
    job.name = u"Daily";
    job.kind = brim::BackupKind::normal;
    job.destination = wide(folder / "dest");
    job.sources = {{wide(folder / "src"), brim::SourceType::directory, true}};
    job.options = 0x20 | opt::keep_set;
    if (password != nullptr) {
        job.options |= rijndael;
        job.password = password;
        job.password_state = brim::PasswordState::proved;
    }
}

// Runs the job once, so that its set exists.
bool back_up(BackupItem& job) {
    fs::create_directories(qPrintable(to_qstring(job.destination)));
    auto session = brim::BackupSession::create_session(&job, brim::SessionDirection::backup);
    session->backup();
    return job.get_reports()->reports().back()->result == 0;
}

bool set_opens_with(const bk::String& archive, const char16_t* password) {
    const auto stored = brim::archive::read_stored_security_header(archive, brim::Version::major_version);
    brim::archive::DataKey key;
    return stored && brim::archive::unlock_data_key(stored->header, *stored->format, password, key);
}

// The advanced page as a user fills it.
void type_security(BackupOptionForm& form, int index, const bk::String& password, const bk::String& confirmation) {
    form.advanced_shown = true;
    form.security.index = index;
    form.security.password = password;
    form.security.confirmation = confirmation;
}

// The mnemonic letters of the page's labels and buttons (and of the sheet's
// OK, Cancel and Help with `with_buttons`); a text whose letter was used
// before is returned as a fault.
QString repeated_mnemonic(QWidget& sheet, QWidget& page, bool with_buttons) {
    QList<QWidget*> widgets = page.findChildren<QWidget*>();
    if (with_buttons)
        for (const char* name : {"ok", "cancel", "help"}) widgets << child<QPushButton>(sheet, name);
    QSet<QChar> seen;
    for (QWidget* widget : widgets) {
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
        if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
        const int at = text.indexOf('&');
        if (at < 0 || at + 1 >= text.size() || text[at + 1] == '&') continue;
        const QChar letter = text[at + 1].toLower();
        if (seen.contains(letter)) return text;
        seen.insert(letter);
    }
    return {};
}

QString texts(const std::vector<bk::String>& list) {
    QStringList out;
    for (const auto& text : list) out << to_qstring(text);
    return out.join(',');
}

}  // namespace

class BackupOptionSheetTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        uictl::force_ui_language(uictl::UiLanguage::english);
        uictl::set_help_opener([this](const QUrl& url) { help_pages << url.fileName(); });
        help_pages.clear();
    }
    void cleanup() {
        uictl::set_help_opener({});
        uictl::force_ui_language(std::nullopt);
        brim_test::reset_gui_singletons();
    }

    // Kind switches.

    void an_existing_job_cannot_switch_between_merge_copy_and_the_copy_kinds_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("new_job");
        QTest::addColumn<uint>("warning");  // 0: allowed
        using K = brim::BackupKind;
        QTest::newRow("copy to merge copy") << int(K::copy) << int(K::merge_copy) << false << 3139u;
        QTest::newRow("increment copy to merge copy") << int(K::increment_copy) << int(K::merge_copy) << false << 3139u;
        QTest::newRow("merge copy to copy") << int(K::merge_copy) << int(K::copy) << false << 3140u;
        QTest::newRow("merge copy to increment copy") << int(K::merge_copy) << int(K::increment_copy) << false << 3140u;
        QTest::newRow("new copy job to merge copy") << int(K::copy) << int(K::merge_copy) << true << 0u;
        QTest::newRow("new merge copy job to increment copy") << int(K::merge_copy) << int(K::increment_copy) << true << 0u;
        QTest::newRow("normal to merge copy") << int(K::normal) << int(K::merge_copy) << false << 0u;
        QTest::newRow("merge copy to normal") << int(K::merge_copy) << int(K::normal) << false << 0u;
    }
    void an_existing_job_cannot_switch_between_merge_copy_and_the_copy_kinds() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, new_job);
        QFETCH(uint, warning);
        BackupItem job;
        make_job(job);
        job.kind = brim::BackupKind(from);
        const std::uint32_t options = job.options;
        BackupOptionForm form(job, new_job);
        form.choose_kind(brim::BackupKind(to));
        CSystemOption options_store;
        uictl::MessageBoxSeam seam;
        QCOMPARE(form.FinishedSet(options_store), warning == 0 ? 1 : 0);
        if (warning == 0) {
            QVERIFY(seam.shown().empty());
            QCOMPARE(int(job.kind), to);
            // Merge copy never appends to a set.
            QCOMPARE(job.has_option(opt::keep_set), to != int(brim::BackupKind::merge_copy));
            return;
        }
        QCOMPARE(form.failed_field(), OptionField::kind);
        QCOMPARE(seam.shown().size(), std::size_t(1));
        QCOMPARE(seam.shown()[0].text, job_strings().text(warning));
        QCOMPARE(seam.shown()[0].flags & mb::icon_mask, mb::icon_warning);
        QCOMPARE(int(job.kind), from);
        QCOMPARE(job.options, options);
    }

    void a_kind_the_list_cannot_show_stays_unless_one_is_picked() {
        BackupItem job;
        make_job(job);
        job.kind = brim::BackupKind::directory_copy;
        BackupOptionForm form(job, false);
        form.general.verify = true;
        CSystemOption options;
        QCOMPARE(form.FinishedSet(options), 1);
        QCOMPARE(job.kind, brim::BackupKind::directory_copy);
        QVERIFY(job.has_option(opt::verify));
    }

    // Passwords typed on the advanced page.

    void typed_passwords_are_checked_before_anything_changes_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<uint>("fault");
        QTest::newRow("3 characters") << "abc" << "abc" << 3019u;
        QTest::newRow("4 characters") << "abcd" << "abcd" << 0u;
        QTest::newRow("32 characters") << QString(32, 'p') << QString(32, 'p') << 0u;
        QTest::newRow("33 characters") << QString(33, 'p') << QString(33, 'p') << 3019u;
        QTest::newRow("confirmation differs") << "abcdef" << "abcdeF" << 3025u;
    }
    void typed_passwords_are_checked_before_anything_changes() {
        QFETCH(QString, password);
        QFETCH(QString, confirmation);
        QFETCH(uint, fault);
        for (const bool protected_before : {false, true}) {
            BackupItem job;
            make_job(job, protected_before ? u"old password" : nullptr);
            const std::uint32_t options = job.options;
            BackupOptionForm form(job, false);
            form.general.verify = true;  // a change that must wait for the check too
            type_security(form, 4, password.toStdU16String(), confirmation.toStdU16String());
            uictl::MessageBoxSeam seam;
            CSystemOption store;
            QCOMPARE(form.FinishedSet(store), fault == 0 ? 1 : 0);
            if (fault != 0) {
                QCOMPARE(seam.shown().size(), std::size_t(1));
                QCOMPARE(seam.shown()[0].text, job_strings().text(fault));
                QCOMPARE(to_qstring(seam.shown()[0].title), QStringLiteral("Password Error"));
                QCOMPARE(form.failed_field(), OptionField::password);
                QCOMPARE(job.options, options);
                QCOMPARE(to_qstring(job.password), protected_before ? QStringLiteral("old password") : QString());
            } else {
                QVERIFY(seam.shown().empty());
                // The entry the job showed keeps its bits; a new one gives the entry's.
                QCOMPARE(job.options & opt::security_mask, protected_before ? rijndael : opt::cipher_rijndael);
                QCOMPARE(to_qstring(job.password), password);
                QVERIFY(form.security.password.empty());  // the typed copy is wiped
            }
        }
    }

    void an_untouched_password_is_neither_checked_nor_rewritten() {
        BackupItem job;
        make_job(job, u"pw");  // shorter than a new password may be
        job.password_state = brim::PasswordState::proved;
        BackupOptionForm form(job, false);
        form.advanced_shown = true;
        form.general.notify = false;
        CSystemOption store;
        uictl::MessageBoxSeam seam;
        QCOMPARE(form.FinishedSet(store), 1);
        QVERIFY(seam.shown().empty());
        QCOMPARE(job.options & opt::security_mask, rijndael);
        QCOMPARE(to_qstring(job.password), QStringLiteral("pw"));
        QVERIFY(!job.has_option(opt::notify));
    }

    void no_security_or_a_copy_kind_removes_the_password() {
        for (const bool to_copy : {false, true}) {
            BackupItem job;
            make_job(job, u"secret");
            BackupOptionForm form(job, false);
            if (to_copy) {
                form.choose_kind(brim::BackupKind::copy);
                QVERIFY(!form.security_allowed());
            } else {
                type_security(form, security_none_index, u"secret", u"secret");
            }
            CSystemOption store;
            uictl::MessageBoxSeam seam;
            QCOMPARE(form.FinishedSet(store), 1);
            QVERIFY(seam.shown().empty());
            QCOMPARE(job.options & opt::security_mask, 0u);
            QVERIFY(job.password.empty());
        }
    }

    // When the set refuses the removal, OK fails and the job is as it was:
    // kind, security bits, password, every other field the sheet wrote.
    void a_failed_password_removal_leaves_the_job_as_it_was() {
        BackupItem job;
        make_job(job, u"right password");
        QVERIFY(back_up(job));
        // The set a copy job of this name would use holds the same protection.
        const bk::String normal_set = job.archive_file();
        job.kind = brim::BackupKind::copy;
        fs::copy_file(qPrintable(to_qstring(normal_set)), qPrintable(to_qstring(job.archive_file())));
        job.kind = brim::BackupKind::normal;
        job.password = u"not the set's";
        job.extensions = {u".tmp"};
        job.options |= opt::ignore_ext;
        job.append_mode = 1;
        job.rotation_times = 3;
        const std::uint32_t options = job.options;

        BackupOptionForm form(job, false);
        form.choose_kind(brim::BackupKind::copy);
        form.general.append = false;
        form.advanced_shown = true;
        form.filter.used = false;
        CSystemOption store;
        uictl::MessageBoxSeam seam;
        QCOMPARE(form.FinishedSet(store), 0);
        QCOMPARE(form.failed_field(), OptionField::password);
        QCOMPARE(seam.shown().size(), std::size_t(1));
        QVERIFY(to_qstring(seam.shown()[0].text).contains("cannot remove the job's password.\n(Job \"Daily\")"));
        QCOMPARE(seam.shown()[0].help_context, 1032);
        QCOMPARE(seam.shown()[0].flags & mb::icon_mask, mb::icon_error);
        QCOMPARE(job.kind, brim::BackupKind::normal);
        QCOMPARE(job.options, options);
        QCOMPARE(to_qstring(job.password), QStringLiteral("not the set's"));
        QCOMPARE(texts(job.extensions), QStringLiteral(".tmp"));
        QCOMPARE(job.append_mode, 1);
        QCOMPARE(job.rotation_times, 3u);
        QVERIFY(store.GetFileExts().empty());
    }

    void a_password_change_rewrites_the_real_set() {
        BackupItem job;
        make_job(job, u"first password");
        QVERIFY(back_up(job));
        QVERIFY(set_opens_with(job.archive_file(), u"first password"));

        BackupOptionForm form(job, false);
        type_security(form, 4, u"second password", u"second password");
        CSystemOption store;
        uictl::MessageBoxSeam seam;
        QCOMPARE(form.FinishedSet(store), 1);
        QVERIFY(seam.shown().empty());
        QCOMPARE(to_qstring(job.password), QStringLiteral("second password"));
        QVERIFY(set_opens_with(job.archive_file(), u"second password"));
        QVERIFY(!set_opens_with(job.archive_file(), u"first password"));
    }

    void a_failed_password_change_keeps_the_old_one() {
        BackupItem job;
        make_job(job, u"first password");
        QVERIFY(back_up(job));
        job.password = u"not the set's";
        BackupOptionForm form(job, false);
        type_security(form, 2, u"second password", u"second password");
        CSystemOption store;
        uictl::MessageBoxSeam seam;
        QCOMPARE(form.FinishedSet(store), 0);
        QVERIFY(to_qstring(seam.shown().at(0).text).contains("cannot change the job's password"));
        QCOMPARE(job.options & opt::security_mask, rijndael);
        QCOMPARE(to_qstring(job.password), QStringLiteral("not the set's"));
        QVERIFY(set_opens_with(job.archive_file(), u"first password"));
    }

    void a_new_job_takes_a_password_without_touching_a_set() {
        BackupItem job;
        make_job(job);
        BackupOptionForm form(job, true);
        type_security(form, 1, u"pass", u"pass");
        CSystemOption store;
        QCOMPARE(form.FinishedSet(store), 1);
        QCOMPARE(job.options & opt::security_mask, opt::password);
        QCOMPARE(job.password_state, brim::PasswordState::proved);
        QVERIFY(!fs::exists(qPrintable(to_qstring(job.archive_file()))));
    }

    // Filter, save mode and combination rule.

    void the_filter_is_written_only_from_the_opened_page() {
        BackupItem job;
        make_job(job);
        job.options |= opt::aware_ext;
        job.extensions = {u".doc"};
        {
            BackupOptionForm form(job, false);  // the advanced page never opened
            CSystemOption store;
            QCOMPARE(form.FinishedSet(store), 1);
            QVERIFY(job.has_option(opt::aware_ext));
            QCOMPARE(texts(job.extensions), QStringLiteral(".doc"));
        }
        BackupOptionForm form(job, false);
        form.advanced_shown = true;
        form.filter.add(u"xls", u"Sheets");
        CSystemOption store;
        QCOMPARE(form.FinishedSet(store), 1);
        QCOMPARE(texts(job.extensions), QStringLiteral(".doc,.xls"));
        QCOMPARE(to_qstring(FindVecPair(store.GetFileExts(), u".xls")), QStringLiteral("Sheets"));

        BackupOptionForm off(job, false);
        off.advanced_shown = true;
        off.filter.used = false;
        QCOMPARE(off.FinishedSet(store), 1);
        QCOMPARE(job.options & (opt::ignore_ext | opt::aware_ext), 0u);
        QVERIFY(job.extensions.empty());
    }

    void the_save_mode_resets_the_rotation_when_it_changes_data() {
        QTest::addColumn<bool>("append_before");
        QTest::addColumn<bool>("append_after");
        QTest::addColumn<int>("mode");
        QTest::addColumn<uint>("times");
        QTest::newRow("append kept: rotation kept") << true << true << 1 << 5u;
        QTest::newRow("append to replace: reset") << true << false << 0 << 0u;
        QTest::newRow("replace to append: starts plain") << false << true << 0 << 0u;
    }
    void the_save_mode_resets_the_rotation_when_it_changes() {
        QFETCH(bool, append_before);
        QFETCH(bool, append_after);
        BackupItem job;
        make_job(job);
        if (!append_before) job.options &= ~opt::keep_set;
        job.append_mode = 1;
        job.rotation_times = 5;
        BackupOptionForm form(job, false);
        QCOMPARE(form.general.append, append_before);
        form.general.append = append_after;
        CSystemOption store;
        QCOMPARE(form.FinishedSet(store), 1);
        QCOMPARE(job.has_option(opt::keep_set), append_after);
        QTEST(job.append_mode, "mode");
        QTEST(job.rotation_times, "times");
    }

    void the_combination_rule_stays_only_with_the_increment_kinds() {
        BackupItem job;
        make_job(job);
        job.kind = brim::BackupKind::increment;
        job.trigger = std::make_unique<brim::TriggerData>();
        job.trigger->value = 7;
        CSystemOption store;
        {
            BackupOptionForm form(job, false);
            QVERIFY(form.rule_allowed());
            QCOMPARE(form.FinishedSet(store), 1);
            QVERIFY(job.trigger && job.trigger->value == 7);
        }
        {
            BackupOptionForm form(job, false);
            form.general.rule = std::make_unique<brim::TriggerData>();
            form.general.rule->value = 9;
            form.general.rule_edited = true;
            QCOMPARE(form.FinishedSet(store), 1);
            QVERIFY(job.trigger && job.trigger->value == 9);
        }
        BackupOptionForm form(job, false);
        form.choose_kind(brim::BackupKind::normal);
        QVERIFY(!form.rule_allowed());
        QCOMPARE(form.FinishedSet(store), 1);
        QVERIFY(job.trigger == nullptr);
    }

    // The views.

    void the_titles_name_the_job_in_the_gui_language() {
        BackupItem job;
        make_job(job);
        QCOMPARE(CBackupOptionSheet(job, true).windowTitle(), QStringLiteral("New Job Options"));
        QCOMPARE(CBackupOptionSheet(job, false).windowTitle(), QStringLiteral("Options of the Job \"Daily\""));
        uictl::force_ui_language(uictl::UiLanguage::chinese);
        QCOMPARE(CBurnerOptionSheet(job, false).windowTitle(), QStringLiteral("任务“Daily”的选项"));
        QCOMPARE(CBurnerOptionSheet(job, true).windowTitle(), QStringLiteral("新建任务选项"));
    }

    void the_sheet_shows_the_job_and_takes_what_the_pages_say() {
        BackupItem job;
        make_job(job, u"secret");
        job.options |= opt::verify;
        CBackupOptionSheet sheet(job, false);
        sheet.show();
        QCOMPARE(sheet.pages()->count(), 3);
        QCOMPARE(child<QComboBox>(sheet, "kind")->currentText(), QStringLiteral("Full Backup"));
        QVERIFY(child<QRadioButton>(sheet, "append")->isChecked());
        QVERIFY(child<QCheckBox>(sheet, "verify")->isChecked());
        QCOMPARE(child<QComboBox>(sheet, "security")->currentIndex(), 4);
        QCOMPARE(child<QLineEdit>(sheet, "password")->text(), QStringLiteral("secret"));

        // A copy kind offers no security.
        auto* kind = child<QComboBox>(sheet, "kind");
        const int copy = kind->findData(int(brim::BackupKind::copy));
        kind->setCurrentIndex(copy);
        emit kind->activated(copy);
        QVERIFY(!child<QComboBox>(sheet, "security")->isEnabled());
        QCOMPARE(child<QComboBox>(sheet, "security")->currentIndex(), security_none_index);
        QVERIFY(!child<QPushButton>(sheet, "combineRule")->isEnabled());
        const int increment = kind->findData(int(brim::BackupKind::increment));
        kind->setCurrentIndex(increment);
        emit kind->activated(increment);
        // Back from the copy kind, the job's own security shows again.
        QVERIFY(child<QComboBox>(sheet, "security")->isEnabled());
        QCOMPARE(child<QComboBox>(sheet, "security")->currentIndex(), 4);
        QCOMPARE(child<QLineEdit>(sheet, "confirmation")->text(), QStringLiteral("secret"));
        QVERIFY(child<QPushButton>(sheet, "combineRule")->isEnabled());
        QVERIFY(child<QLabel>(sheet, "kindDescription")->text().startsWith("Incremental backup:"));

        // A short password: the advanced page comes forward with the focus
        // in the password field, and the job is untouched.
        sheet.pages()->setCurrentIndex(CBackupOptionSheet::advanced_page);
        child<QComboBox>(sheet, "security")->setCurrentIndex(2);
        child<QLineEdit>(sheet, "password")->setText("abc");
        child<QLineEdit>(sheet, "confirmation")->setText("abc");
        sheet.pages()->setCurrentIndex(CBackupOptionSheet::read_write_page);
        child<QCheckBox>(sheet, "openFile")->setChecked(false);
        uictl::MessageBoxSeam seam;
        child<QPushButton>(sheet, "ok")->click();
        QVERIFY(sheet.isVisible());
        QCOMPARE(seam.shown().size(), std::size_t(1));
        QCOMPARE(sheet.pages()->currentIndex(), int(CBackupOptionSheet::advanced_page));
        QCOMPARE(sheet.focusWidget(), child<QLineEdit>(sheet, "password"));
        QCOMPARE(job.kind, brim::BackupKind::normal);

        child<QLineEdit>(sheet, "password")->setText("abcd");
        child<QLineEdit>(sheet, "confirmation")->setText("abcd");
        child<QPushButton>(sheet, "ok")->click();
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(job.kind, brim::BackupKind::increment);
        QCOMPARE(job.options & opt::security_mask, opt::cipher_xor);
        QCOMPARE(to_qstring(job.password), QStringLiteral("abcd"));
        QVERIFY(!job.has_option(opt::open_file));
    }

    void help_opens_the_page_of_the_current_tab() {
        BackupItem job;
        make_job(job);
        CBackupOptionSheet sheet(job, false);
        for (int page = 0; page < 3; ++page) {
            sheet.pages()->setCurrentIndex(page);
            child<QPushButton>(sheet, "help")->click();
        }
        QCOMPARE(help_pages, (QStringList{"1038.html", "1039.html", "1049.html"}));
    }

    void the_burner_sheet_edits_the_drive_options_and_filter() {
        BackupItem job;
        make_job(job);
        job.kind = brim::BackupKind::burner;
        job.destination = u"/dev/sr0";
        job.options = opt::burn_eject | opt::verify;
        CBurnerOptionSheet sheet(job, false);
        sheet.show();
        QCOMPARE(child<QLineEdit>(sheet, "drive")->text(), QStringLiteral("/dev/sr0"));
        QVERIFY(child<QCheckBox>(sheet, "eject")->isChecked());
        QVERIFY(!child<QCheckBox>(sheet, "closeDisc")->isChecked());
        child<QLineEdit>(sheet, "drive")->setText("  /tmp/backup.iso ");
        child<QCheckBox>(sheet, "eject")->setChecked(false);
        child<QCheckBox>(sheet, "closeDisc")->setChecked(true);
        child<QCheckBox>(sheet, "underrun")->setChecked(true);
        sheet.pages()->setCurrentIndex(CBurnerOptionSheet::filter_page);
        child<QCheckBox>(sheet, "useFilter")->setChecked(true);
        child<QPushButton>(sheet, "ok")->click();
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(to_qstring(job.destination), QStringLiteral("/tmp/backup.iso"));
        QCOMPARE(job.options, opt::burn_close_disc | opt::burn_underrun | opt::verify);  // an empty list filters nothing

        BurnerValues empty = BurnerValues::of_job(job);
        empty.drive = u"   ";
        empty.store_in(job);
        QCOMPARE(to_qstring(job.destination), QStringLiteral("/tmp/backup.iso"));
    }

    void edit_job_options_picks_the_sheet_by_kind() {
        for (const auto kind : {brim::BackupKind::burner, brim::BackupKind::increment}) {
            BackupItem job;
            make_job(job);
            job.kind = kind;
            QString shown;
            QTimer::singleShot(0, [&] {
                QWidget* sheet = QApplication::activeModalWidget();
                QVERIFY(sheet != nullptr);
                shown = sheet->objectName();
                child<QCheckBox>(*sheet, "notify")->setChecked(false);
                child<QPushButton>(*sheet, "ok")->click();
            });
            QVERIFY(EditJobOptions(nullptr, job));
            QCOMPARE(shown, kind == brim::BackupKind::burner ? QStringLiteral("burnerOptionSheet")
                                                            : QStringLiteral("backupOptionSheet"));
            QVERIFY(!job.need_notify());
        }
    }

    void every_page_has_distinct_mnemonics() {
        for (const auto language : {uictl::UiLanguage::english, uictl::UiLanguage::chinese}) {
            uictl::force_ui_language(language);
            BackupItem job;
            make_job(job);
            CBackupOptionSheet sheet(job, false);
            CBurnerOptionSheet burner(job, false);
            for (QTabWidget* pages : {sheet.pages(), burner.pages()})
                for (int page = 0; page < pages->count(); ++page)
                    QCOMPARE(repeated_mnemonic(*pages->window(), *pages->widget(page),
                                               // the Chinese confirmation label keeps its
                                               // established 确认密码(&C), the letter of 取消(&C)
                                               language == uictl::UiLanguage::english),
                             QString());
        }
    }

    void pictures_of_every_page_in_both_languages() {
        if (qEnvironmentVariableIsEmpty("BRIM_PICTURES_DIR")) QSKIP("BRIM_PICTURES_DIR is not set");
        CSystemOption::GetInstance()->AddFileExt(u".doc", u"Word documents");
        for (const auto language : {uictl::UiLanguage::english, uictl::UiLanguage::chinese}) {
            uictl::force_ui_language(language);
            const QString suffix = language == uictl::UiLanguage::english ? "en" : "zh";
            BackupItem job;
            make_job(job, u"secret");
            job.kind = brim::BackupKind::increment;
            job.trigger = std::make_unique<brim::TriggerData>();
            job.trigger->value = 7;
            job.options |= opt::ignore_ext | opt::verify;
            job.extensions = {u".doc", u".tmp"};
            CBackupOptionSheet sheet(job, false);
            const char* names[] = {"general", "advanced", "read-write"};
            for (int page = 0; page < 3; ++page) {
                sheet.pages()->setCurrentIndex(page);
                brim_test::save_picture(&sheet, QString("option-sheet-%1-%2").arg(names[page], suffix), true);
            }
            job.kind = brim::BackupKind::burner;
            job.destination = u"/dev/sr0";
            CBurnerOptionSheet burner(job, false);
            burner.pages()->setCurrentIndex(CBurnerOptionSheet::burner_page);
            brim_test::save_picture(&burner, QString("burner-sheet-burner-%1").arg(suffix), true);
            burner.pages()->setCurrentIndex(CBurnerOptionSheet::filter_page);
            brim_test::save_picture(&burner, QString("burner-sheet-filter-%1").arg(suffix), true);
        }
    }

private:
    QStringList help_pages;
};

BRIM_QTEST_MAIN(BackupOptionSheetTest)
#include "backup_option_sheet_test.moc"
