// The program's start-up logic without its windows: the command line, the
// welcome page's links, the job store's damage questions and the removal of
// spent one-time tasks.
#include <filesystem>
#include <fstream>

#include <QFile>
#include <QTest>
#include <QTextBrowser>
#include <QXmlStreamReader>

#include "app/app_strings.h"
#include "app/archive_opening.h"
#include "app/runner/gui_run_answers.h"
#include "app/command_line.h"
#include "app/services.h"
#include "app/welcome_dialog.h"
#include "app/welcome_links.h"
#include "basekit/convertion.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/password_manager.h"
#include "core/jobs/system_info.h"
#include "job/shell_association.h"
#include "taskplan/task_planner.h"
#include "tests/support/cli_runner.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"
#include "uictl/ui_language.h"

namespace {

using app::CommandLine;

void reset_store() {
    brim::BackupItemManager::del_instance();
    brim::PasswordManager::del_instance();
    brim::LogManager::del_instance();
}

// A store with one job "Daily", saved, and its safety copy when asked.
void save_one_job(bool with_copy) {
    reset_store();
    auto* store = brim::BackupItemManager::instance();
    brim::BackupItem* job = store->create_item();
    job->name = u"Daily";
    job->kind = brim::BackupKind::normal;
    job->sources = {{u"/home/a", brim::SourceType::directory, true}};
    job->destination = u"/backup";
    job->creation_time = 42;
    store->save();
    const std::filesystem::path folder = bk::to_ansi(brim::SystemInfo::config_path());
    std::filesystem::remove(folder / "brimkeep.configbak");
    if (with_copy) store->save_copy(1);
    std::ofstream(folder / "brimkeep.config", std::ios::trunc) << "damaged\x01\x02";
    reset_store();
}

// A scheduler with fixed tasks.
class FakePlanner final : public taskplan::CTaskPlanner {
public:
    struct Task {
        taskplan::TriggerType trigger;
        std::int64_t next;
    };
    std::map<bk::String, Task> tasks;

    std::unique_ptr<taskplan::CTask> GetTask(bk::StringView name) override {
        const auto found = tasks.find(bk::String(name));
        if (found == tasks.end()) return nullptr;
        return std::make_unique<FakeTask>(found->first, found->second);
    }
    void DeleteTask(bk::StringView name) override { tasks.erase(bk::String(name)); }

private:
    class FakeTask final : public taskplan::CTask {
    public:
        FakeTask(bk::String name, Task task) : name_(std::move(name)), task_(task) {}
        bk::String GetTaskName() const override { return name_; }
        std::int64_t GetNextExecutionTime() override { return task_.next; }
        taskplan::TriggerType GetTrigger() override { return task_.trigger; }

    private:
        bk::String name_;
        Task task_;
    };
};

}  // namespace

class AppTest : public QObject {
    Q_OBJECT
private slots:
    void commandLineForms_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("job");
        QTest::addColumn<QString>("text");
        const int empty = static_cast<int>(CommandLine::Form::empty);
        const int backup = static_cast<int>(CommandLine::Form::scheduled_backup);
        const int path = static_cast<int>(CommandLine::Form::archive_path);
        QTest::newRow("empty") << "" << empty << 0 << "";
        QTest::newRow("only quotes") << "\"\"" << empty << 0 << "";
        QTest::newRow("word, blank, id") << "backup 12" << backup << 12 << "backup 12";
        QTest::newRow("word then id") << "backup12" << backup << 12 << "backup12";
        QTest::newRow("in quotes") << "\"backup 7\"" << backup << 7 << "backup 7";
        QTest::newRow("blanks before the id") << "backup \t 30" << backup << 30 << "backup \t 30";
        QTest::newRow("letters of the word go too") << "backupkab 5" << backup << 5 << "backupkab 5";
        QTest::newRow("no digits") << "backup x" << backup << 0 << "backup x";
        QTest::newRow("digits then more") << "backup 8abc" << backup << 8 << "backup 8abc";
        QTest::newRow("a sign") << "backup -4" << backup << -4 << "backup -4";
        QTest::newRow("past the range") << "backup 99999999999" << backup << 2147483647 << "backup 99999999999";
        QTest::newRow("other case is a path") << "Backup 5" << path << 0 << "Backup 5";
        QTest::newRow("restore form is a path") << "restore 5" << path << 0 << "restore 5";
        QTest::newRow("quoted path") << "\"/home/me/my set.bvf\"" << path << 0 << "/home/me/my set.bvf";
    }
    void commandLineForms() {
        QFETCH(QString, line);
        const CommandLine command = app::parse_command_line(line.toStdU16String());
        QTEST(static_cast<int>(command.form), "form");
        QTEST(static_cast<int>(command.job_id), "job");
        QTEST(QString::fromStdU16String(command.text), "text");
    }

    // Every text is in both languages, with the same placeholders.
    void stringsInBothLanguages() {
        const auto& strings = app::app_strings();
        int found = 0;
        for (std::uint32_t id = 1; id < 1000; ++id) {
            const bool chinese = strings.table(uictl::UiLanguage::chinese).find(id) != nullptr;
            QCOMPARE(strings.table(uictl::UiLanguage::english).find(id) != nullptr, chinese);
            if (!chinese) continue;
            ++found;
            const auto placeholders = [](const bk::String& text) {
                QString marks;
                for (std::size_t at = text.find(u'%'); at != bk::String::npos; at = text.find(u'%', at + 2))
                    if (at + 1 < text.size()) marks += QChar(text[at + 1]);
                return marks;
            };
            QCOMPARE(placeholders(strings.table(uictl::UiLanguage::english).text(id)),
                     placeholders(strings.table(uictl::UiLanguage::chinese).text(id)));
        }
        QVERIFY(found > 0);
    }

    void handedRuns() {
        QCOMPARE(app::handed_run_of(u"run 12"), std::optional<std::uint32_t>(12));
        for (const char16_t* other : {u"run", u"run ", u"run 1x", u"run -1", u"run 1234567890", u"backup 3"})
            QVERIFY2(!app::handed_run_of(other), QString::fromStdU16String(other).toUtf8());
    }

    void commandLineOfArguments() {
        QCOMPARE(app::command_line_of({}), bk::String());
        QCOMPARE(app::command_line_of({"backup", "12"}), bk::String(u"backup 12"));
        QCOMPARE(app::command_line_of({"/a b/c.bvf"}), bk::String(u"/a b/c.bvf"));
    }

    void welcomeLinks_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("choice");  // -1 none
        QTest::addColumn<int>("show");    // -1 unchanged
        QTest::newRow("tour") << "app:Flash" << 0 << -1;
        QTest::newRow("prefix in any case") << "APP:Wizard" << 1 << -1;
        QTest::newRow("user data") << "app:userdata" << 3 << -1;
        QTest::newRow("hide") << "app:hidden" << -1 << 0;
        QTest::newRow("show") << "App:show" << -1 << 1;
        QTest::newRow("unknown word") << "app:format" << -1 << -1;
        QTest::newRow("web link") << "https://example.org/" << -1 << -1;
    }
    void welcomeLinks() {
        QFETCH(QString, url);
        const app::WelcomeLink link = app::read_welcome_link(QUrl(url));
        QTEST(link.choice ? static_cast<int>(*link.choice) : -1, "choice");
        QTEST(link.show_again ? static_cast<int>(*link.show_again) : -1, "show");
    }

    // The page shipped with the program, its links followed as clicks.
    void welcomeDialog_data() {
        QTest::addColumn<bool>("chinese");
        QTest::newRow("zh") << true;
        QTest::newRow("en") << false;
    }
    void welcomeDialog() {
        QFETCH(bool, chinese);
        uictl::force_ui_language(chinese ? uictl::UiLanguage::chinese : uictl::UiLanguage::english);
        QVERIFY2(QFile::exists(app::welcome_page_path()), qPrintable(app::welcome_page_path()));
        app::WelcomeDialog dialog;
        QVERIFY(dialog.findChild<QTextBrowser*>()->toPlainText().contains(QStringLiteral("Orvex Brimvault")));
        brim_test::save_picture(&dialog, QStringLiteral("welcome_") + (chinese ? "zh" : "en"), true);
        dialog.follow(QUrl(QStringLiteral("app:hidden")));
        QVERIFY(!dialog.show_again() && !dialog.choice() && dialog.result() == 0);
        dialog.follow(QUrl(QStringLiteral("app:Wizard")));
        QCOMPARE(dialog.choice(), std::optional(app::WelcomeChoice::wizard));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        uictl::force_ui_language(std::nullopt);
    }

    // An archive file opened from the file manager: a damaged one is told
    // with 436, a protected one asks its password (131 when wrong), and the
    // set becomes a job once; opening it again finds that job.
    void openingAnArchiveFile() {
        reset_store();
        const std::filesystem::path root = bk::to_ansi(brim::SystemInfo::config_path());
        const std::filesystem::path src = root.parent_path() / "open-src", dest = root.parent_path() / "open-dest";
        std::filesystem::create_directories(src);
        std::ofstream(src / "a.txt") << "the text";
        std::ofstream(root.parent_path() / "pw") << "secret\n";
        const std::string pw = (root.parent_path() / "pw").string();
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"job", "add", "Safe", "--kind", "normal", "--dest", dest.string(), "--dir",
                                       src.string(), "--cipher", "rijndael", "--password-file", pw},
              std::vector<std::string>{"run", "Safe", "--password-file", pw},
              std::vector<std::string>{"job", "remove", "Safe"}}) {
            const auto result = brim_test::run_cli(BRIM_CLI, args);
            QVERIFY2(result.status == 0, result.output.c_str());
        }
        const bk::String set = bk::from_ansi((dest / "Safe.bvf").string());
        QVERIFY(brim::BackupItemManager::instance()->items().empty());
        uictl::MessageBoxSeam seam;

        QVERIFY(app::open_archive_as_job(bk::from_ansi((dest / "none.bvf").string())) == nullptr);
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QCOMPARE(seam.shown()[0].help_context, 1010);
        QVERIFY(uictl::to_qstring(seam.shown()[0].text).contains(QStringLiteral("none.bvf")));

        std::optional<bk::String> answer;
        app::set_password_prompt([&](const bk::String&) { return answer; });
        QVERIFY(app::open_archive_as_job(set) == nullptr);  // cancelled: nothing said
        QCOMPARE(seam.shown().size(), std::size_t{1});
        answer = u"wrong";
        QVERIFY(app::open_archive_as_job(set) == nullptr);
        QCOMPARE(seam.shown().size(), std::size_t{2});
        QVERIFY2(uictl::to_qstring(seam.shown()[1].text).endsWith(QStringLiteral("(备份集“Safe.bvf”)")) ||
                     uictl::to_qstring(seam.shown()[1].text).endsWith(QStringLiteral("(Backup set \"Safe.bvf\")")),
                 qPrintable(uictl::to_qstring(seam.shown()[1].text)));
        answer = u"secret";
        brim::BackupItem* job = app::open_archive_as_job(set);
        QVERIFY(job != nullptr);
        QCOMPARE(brim::BackupItemManager::instance()->item_count(), std::size_t{1});
        answer.reset();
        QCOMPARE(app::open_archive_as_job(set), job);
        QCOMPARE(brim::BackupItemManager::instance()->item_count(), std::size_t{1});
        app::set_password_prompt({});
        reset_store();
    }

    // A damaged store: the safety copy is offered with its time; yes puts it
    // back, no (and no copy at all) reads again what can be read.
    void damagedStoreQuestions() {
        struct Case {
            bool with_copy;
            bool answer;
            app::StoreStart start;
            std::size_t jobs;
        };
        for (const Case& c : {Case{true, true, app::StoreStart::copy_loaded, 1},
                              Case{true, false, app::StoreStart::reloaded, 0},
                              Case{false, true, app::StoreStart::reloaded, 0}}) {
            save_one_job(c.with_copy);
            std::int64_t offered = 0;
            bool told_repair = false;
            app::StoreDamageQuestions questions;
            questions.load_copy = [&](std::int64_t time) {
                offered = time;
                return c.answer;
            };
            questions.will_repair = [&] { told_repair = true; };
            QCOMPARE(app::load_job_store(questions), c.start);
            QCOMPARE(offered != 0, c.with_copy);
            QCOMPARE(told_repair, !c.with_copy);
            QCOMPARE(brim::BackupItemManager::instance()->item_count(), c.jobs);
        }
        // A scheduled start asks nobody.
        save_one_job(true);
        QCOMPARE(app::load_job_store({}), app::StoreStart::reloaded);
        reset_store();
    }

    // The menu entry and the MIME package installed for every user name the
    // archive types the per-user association registers.
    void installedFilesNameTheArchiveTypes() {
        const QString share = qEnvironmentVariable("BRIM_SOURCE_DIR") + QStringLiteral("/app/share/");
        QFile package(share + QStringLiteral("brimvault.xml"));
        QVERIFY(package.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&package);
        QStringList shipped;
        QString type;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) continue;
            if (xml.name() == QLatin1String("mime-type")) type = xml.attributes().value(QLatin1String("type")).toString();
            if (xml.name() == QLatin1String("glob"))
                shipped << type + ' ' + xml.attributes().value(QLatin1String("pattern")).toString();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QStringList registered, mime_types;
        for (const auto& known : job::archive_file_types) {
            registered << QString::fromLatin1(known.mime_type) + ' ' + QString::fromLatin1(known.glob);
            mime_types << QString::fromLatin1(known.mime_type);
        }
        QCOMPARE(shipped, registered);
        QFile desktop(share + QStringLiteral("brimvault.desktop"));
        QVERIFY(desktop.open(QIODevice::ReadOnly));
        const QString entry = QString::fromUtf8(desktop.readAll());
        QVERIFY(entry.contains(QStringLiteral("\nMimeType=") + mime_types.join(';') + QStringLiteral(";\n")));
        QVERIFY(entry.contains(QStringLiteral("\nExec=brimvault %f\n")));
    }

    // Only a one-time task that will not run again goes, with its job's name.
    void spentTasksAreRemovedAtTheEnd() {
        reset_store();
        auto planner = std::make_unique<FakePlanner>();
        planner->tasks = {{u"once-done", {taskplan::TriggerType::once, 0}},
                          {u"once-later", {taskplan::TriggerType::once, 1'900'000'000'000'000}},
                          {u"weekly", {taskplan::TriggerType::weekly, 0}}};
        FakePlanner* fake = planner.get();
        taskplan::CTaskPlanner::Install(std::move(planner));
        auto* store = brim::BackupItemManager::instance();
        for (const char16_t* task : {u"once-done", u"once-later", u"weekly", u"missing"}) {
            brim::BackupItem* job = store->create_item();
            job->name = task;
            job->task_name = task;
        }
        app::remove_spent_tasks();
        QVERIFY(!fake->tasks.contains(u"once-done"));
        QVERIFY(fake->tasks.contains(u"once-later") && fake->tasks.contains(u"weekly"));
        for (brim::BackupItem* job : store->items())
            QCOMPARE(job->task_name.empty(), job->name == u"once-done");
        taskplan::CTaskPlanner::Install(nullptr);
        reset_store();
    }
};

BRIM_QTEST_MAIN(AppTest)
#include "app_test.moc"
