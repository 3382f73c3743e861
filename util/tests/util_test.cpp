// The installer's helper: its command words, its printed texts, and the
// install and uninstall steps on an isolated home.
#include <filesystem>
#include <fstream>
#include <sstream>

#include <QtTest>

#include "basekit/convertion.h"
#include "core/jobs/store_lock.h"
#include "core/jobs/system_info.h"
#include "job/system_option.h"
#include "tests/support/cli_runner.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"
#include "util/util_command.h"

namespace fs = std::filesystem;
using util::Command;

namespace {

std::string printed(Command command, util::Scope scope = util::Scope::user) {
    std::ostringstream out;
    const int status = util::run_command(command, out, scope);
    return status == 0 ? out.str() : "status " + std::to_string(status);
}

std::string read_text(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

fs::path config_home() { return qEnvironmentVariable("XDG_CONFIG_HOME").toStdString(); }
fs::path data_home() { return qEnvironmentVariable("XDG_DATA_HOME").toStdString(); }

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

class UtilTest : public QObject {
    Q_OBJECT

    std::unique_ptr<brim_test::IsolatedHome> home;

private slots:
    void init() { home = std::make_unique<brim_test::IsolatedHome>(brim_test::reset_gui_singletons); }
    void cleanup() { home.reset(); }

    void commandWords_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("command");
        QTest::newRow("install") << "--install" << int(Command::install);
        QTest::newRow("blanks first") << "  \t--install" << int(Command::install);
        QTest::newRow("more text") << "--install now" << int(Command::help);
        QTest::newRow("other case") << "--INSTALL" << int(Command::help);
        QTest::newRow("uninstall") << "--uninstall" << int(Command::uninstall);
        QTest::newRow("version") << "--version" << int(Command::version);
        QTest::newRow("help") << "--help" << int(Command::help);
        QTest::newRow("slash question") << "/?" << int(Command::help);
        QTest::newRow("nothing") << "" << int(Command::help);
    }
    void commandWords() {
        QFETCH(QString, line);
        QTEST(int(util::read_command(line.toStdU16String())), "command");
    }

    void printedTexts() {
        QCOMPARE(printed(Command::version), std::string("Orvex Brimvault version is 1.7.0\n\n"));
        QCOMPARE(printed(Command::help), std::string("Usage: util [--options] \n"
                                                     "   --install\tInstall Orvex Brimvault\n"
                                                     "   --uninstall\tUnInstall Orvex Brimvault\n"
                                                     "   --help /?\tprint this help message\n"
                                                     "   --version\tprint the utility version message\n"));
        // The program itself, without a display.
        const auto version = brim_test::run_cli(BRIM_UTIL, {"--version"});
        QCOMPARE(version.status, 0);
        QCOMPARE(version.output, std::string("Orvex Brimvault version is 1.7.0\n\n"));
        const auto other = brim_test::run_cli(BRIM_UTIL, {"--install", "now"});
        QCOMPARE(other.status, 0);
        QVERIFY(other.output.starts_with("Usage: util"));
        QVERIFY(!fs::exists(config_home() / "mimeapps.list"));
    }

    // Installing twice registers the types once and makes the data
    // directories; uninstalling takes the association and the welcome
    // page's mark away.
    void installTwiceThenUninstall() {
        for (int i = 0; i < 2; ++i) QCOMPARE(printed(Command::install), std::string());
        const std::string defaults = read_text(config_home() / "mimeapps.list");
        for (const char* type : {"application/x-brimvault-set=", "application/x-brimvault-volume=",
                                 "application/x-brimvault-catalogue="})
            QCOMPARE(count_of(defaults, type), std::size_t{1});
        QVERIFY(fs::exists(data_home() / "applications" / "brimvault.desktop"));
        QVERIFY(fs::is_directory(bk::to_ansi(brim::SystemInfo::config_path())));

        job::CSystemOption::GetInstance()->SetNeverShowValue(job::never_show::welcome_dialog, 0);
        QCOMPARE(printed(Command::uninstall), std::string());
        QVERIFY(!fs::exists(data_home() / "applications" / "brimvault.desktop"));
        QCOMPARE(count_of(read_text(config_home() / "mimeapps.list"), "brimvault"), std::size_t{0});
        QCOMPARE(job::CSystemOption::GetInstance()->GetNeverShowValue(job::never_show::welcome_dialog), 1);
    }

    // The package's scripts, run as the administrator, set the default for
    // every user in the system's list, once however often they run; the
    // package's own files are not written again, nor the administrator's
    // data directories; uninstalling takes only our lines away.
    void installForTheInstallationThenUninstall() {
        const fs::path system_list = home->system_config_dir() / "mimeapps.list";
        fs::create_directories(system_list.parent_path());
        const std::string others = "[Default Applications]\ntext/plain=editor.desktop;\n";
        std::ofstream(system_list) << others;
        for (int i = 0; i < 2; ++i) QCOMPARE(printed(Command::install, util::Scope::installation), std::string());
        const std::string defaults = read_text(system_list);
        for (const char* type : {"application/x-brimvault-set=brimvault.desktop;",
                                 "application/x-brimvault-volume=brimvault.desktop;",
                                 "application/x-brimvault-catalogue=brimvault.desktop;", "text/plain=editor.desktop;"})
            QCOMPARE(count_of(defaults, type), std::size_t{1});
        QVERIFY(!fs::exists(config_home() / "mimeapps.list"));
        QVERIFY(!fs::exists(data_home() / "applications"));
        QVERIFY(!fs::exists(home->data_dir()));

        QCOMPARE(printed(Command::uninstall, util::Scope::installation), std::string());
        QCOMPARE(read_text(system_list), others);
    }

    // The program runs (it holds the store): the warning, and the
    // association all the same.
    void installWhileTheProgramRuns() {
        const auto held = brim::StoreLock::try_acquire();
        QVERIFY(held != nullptr);
        uictl::MessageBoxSeam seam;
        QCOMPARE(printed(Command::install), std::string());
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QVERIFY(uictl::to_qstring(seam.shown()[0].text).contains(QStringLiteral("Orvex Brimvault")));
        QCOMPARE(seam.shown()[0].flags & mb::icon_mask, mb::icon_warning);
        QVERIFY(fs::exists(data_home() / "applications" / "brimvault.desktop"));
    }
};

BRIM_QTEST_MAIN(UtilTest)
#include "util_test.moc"
