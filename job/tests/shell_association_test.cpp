// The archive file types registered for the user under the suite's
// temporary XDG_DATA_HOME and XDG_CONFIG_HOME, and asked back with the
// freedesktop tools.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include "job/shell_association.h"
#include "job/system_option.h"
#include "tests/support/qtest_main.h"
#include "uictl/qt_text.h"

using namespace job;

namespace {

QString data_home() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString read_text(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Runs xdg-mime with `arguments`; its first output line.
QString xdg_mime(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Without the mimetype tool, xdg-mime asks GIO (which reads the MIME
    // database of XDG_DATA_HOME) only under a GNOME-like desktop.
    if (QStandardPaths::findExecutable("mimetype").isEmpty()) environment.insert("XDG_CURRENT_DESKTOP", "GNOME");
    process.setProcessEnvironment(environment);
    process.start("xdg-mime", arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).section('\n', 0, 0).trimmed();
}

const QStringList our_types{"application/x-brimvault-volume", "application/x-brimvault-catalogue",
                            "application/x-brimvault-set"};

}  // namespace

class ShellAssociationTest : public QObject {
    Q_OBJECT
private slots:
    void the_exec_line_quotes_the_program_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << "/usr/bin/brimvault" << "\"/usr/bin/brimvault\" %f";
        QTest::newRow("blank") << "/opt/My Apps/brimvault" << "\"/opt/My Apps/brimvault\" %f";
        // Inside the quotes $ ` " \ take a backslash, which the entry's own
        // escaping doubles; a % is doubled.
        QTest::newRow("dollar and quote") << "/opt/$x\"y/brimvault" << "\"/opt/\\\\$x\\\\\"y/brimvault\" %f";
        QTest::newRow("backslash and percent") << "/opt/a\\b%f/brimvault" << "\"/opt/a\\\\\\\\b%%f/brimvault\" %f";
    }
    void the_exec_line_quotes_the_program() {
        QFETCH(QString, program);
        QFETCH(QString, line);
        QCOMPARE(desktop_exec_line(program), line);
    }

    void defaults_are_set_in_the_users_list_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QString>("changed");
        const QString ours = "application/x-a=brimvault.desktop;\napplication/x-b=brimvault.desktop;\n";
        QTest::newRow("new list") << "" << "brimvault.desktop" << "[Default Applications]\n" + ours;
        QTest::newRow("others kept, ours replaced")
            << "[Added Associations]\napplication/x-a=other.desktop;\n"
               "[Default Applications]\ntext/plain=gedit.desktop\napplication/x-a=other.desktop;\n"
            << "brimvault.desktop"
            << "[Added Associations]\napplication/x-a=other.desktop;\n"
               "[Default Applications]\n" + ours + "text/plain=gedit.desktop\n";
        QTest::newRow("group added after the others")
            << "[Added Associations]\ntext/plain=gedit.desktop;\n" << "brimvault.desktop"
            << "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n" + ours;
        QTest::newRow("removal takes only our lines")
            << "[Default Applications]\n" + ours + "application/x-b=other.desktop;\ntext/plain=gedit.desktop\n" << ""
            << "[Default Applications]\napplication/x-b=other.desktop;\ntext/plain=gedit.desktop\n";
        QTest::newRow("removal from nothing") << "" << "" << "";
    }
    void defaults_are_set_in_the_users_list() {
        QFETCH(QString, list);
        QFETCH(QString, desktop);
        QFETCH(QString, changed);
        QCOMPARE(with_default_applications(list, {"application/x-a", "application/x-b"}, desktop, "brimvault.desktop"),
                 changed);
    }

    void the_types_are_registered_and_removed() {
        // The program the entry names must exist for xdg-mime to name it.
        const QString bin = QDir::homePath() + "/bin";
        QDir().mkpath(bin);
        const QString program = bin + "/brimvault";
        {
            QFile file(program);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n");
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        }
        QVERIFY(register_shell_association(uictl::from_qstring(program)));

        const QString package = read_text(data_home() + "/mime/packages/brimvault.xml");
        QVERIFY(package.contains("<glob pattern=\"*.bvf\"/>"));
        QVERIFY(package.contains("<comment xml:lang=\"zh_CN\">Orvex Brimvault 备份编录</comment>"));
        QVERIFY(package.contains("<comment>Orvex Brimvault backup catalogue</comment>"));
        const QString entry = read_text(data_home() + "/applications/brimvault.desktop");
        QVERIFY(entry.contains("Exec=\"" + program + "\" %f\n"));
        QVERIFY(entry.contains("MimeType=" + our_types.join(';') + ";\n"));

        if (QStandardPaths::findExecutable("xdg-mime").isEmpty()) QSKIP("xdg-mime (xdg-utils) is not installed");
        for (const QString& type : our_types)
            QCOMPARE(xdg_mime({"query", "default", type}), QStringLiteral("brimvault.desktop"));
        if (QStandardPaths::findExecutable("update-mime-database").isEmpty())
            QSKIP("update-mime-database (shared-mime-info) is not installed");
        if (QStandardPaths::findExecutable("mimetype").isEmpty() && QStandardPaths::findExecutable("gio").isEmpty())
            QSKIP("xdg-mime finds file types with mimetype or gio; neither is installed");
        const QString sample = QDir::homePath() + "/x.bvf";
        {
            QFile file(sample);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not empty");  // an empty file is typed as empty
        }
        QCOMPARE(xdg_mime({"query", "filetype", sample}), QStringLiteral("application/x-brimvault-set"));

        QVERIFY(unregister_shell_association());
        QVERIFY(!QFile::exists(data_home() + "/applications/brimvault.desktop"));
        QVERIFY(xdg_mime({"query", "default", our_types.last()}).isEmpty());
        QVERIFY(xdg_mime({"query", "filetype", sample}) != QStringLiteral("application/x-brimvault-set"));
        QVERIFY(!unregister_shell_association());  // nothing left to remove
    }

    void the_options_register_the_running_program() {
        CSystemOption options;
        QCOMPARE(options.RegisterShellAssociation(), 1);
        const QString entry = read_text(data_home() + "/applications/brimvault.desktop");
        QVERIFY(entry.contains(desktop_exec_line(QCoreApplication::applicationDirPath() + "/brimvault")));
        QCOMPARE(options.UnregisterShellAssociation(), 1);
        QCOMPARE(options.UnregisterShellAssociation(), 0);
    }
};

BRIM_QTEST_MAIN(ShellAssociationTest)
#include "shell_association_test.moc"
