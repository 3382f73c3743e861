// The rules of a new job apart from the wizard's widgets: FTP destinations
// and the log-on entries they keep.
#include <QtTest>

#include "core/engine/ftp_destination.h"
#include "job/new_job_rules.h"
#include "tests/support/qtest_main.h"
#include "uictl/qt_text.h"

using namespace job;
using uictl::from_qstring;
using uictl::to_qstring;

class NewJobRulesTest : public QObject {
    Q_OBJECT
private slots:
    void ftp_destinations_are_split_into_destination_and_entry_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("port");
        QTest::newRow("user, host, port, folder")
            << "ftp://ann@files.example:2121/backups/daily" << true << "ftp://files.example:2121/backups/daily"
            << "files.example" << "ann" << 2121;
        QTest::newRow("anonymous, default port") << "ftp://files.example/b" << true << "ftp://files.example/b"
                                                 << "files.example" << "" << 21;
        QTest::newRow("no folder is the root") << "ftp://ann@host" << true << "ftp://host/" << "host" << "ann" << 21;
        QTest::newRow("user with @") << "ftp://ann@work@host:21/x" << true << "ftp://host:21/x" << "host"
                                     << "ann@work" << 21;
        QTest::newRow("IPv6 with port") << "ftp://ann@[::1]:2121/x" << true << "ftp://[::1]:2121/x" << "[::1]"
                                        << "ann" << 2121;
        QTest::newRow("empty user") << "ftp://@host/x" << false << "" << "" << "" << 0;
        QTest::newRow("no host") << "ftp:///x" << false << "" << "" << "" << 0;
        QTest::newRow("port 0") << "ftp://host:0/x" << false << "" << "" << "" << 0;
        QTest::newRow("port 65536") << "ftp://host:65536/x" << false << "" << "" << "" << 0;
        QTest::newRow("port not a number") << "ftp://host:21a/x" << false << "" << "" << "" << 0;
        QTest::newRow("empty port") << "ftp://host:/x" << false << "" << "" << "" << 0;
        QTest::newRow("local path") << "/srv/backups" << false << "" << "" << "" << 0;
    }
    void ftp_destinations_are_split_into_destination_and_entry() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const auto parsed = ParseFtpDestination(from_qstring(text));
        QCOMPARE(parsed.has_value(), valid);
        if (!valid) return;
        QFETCH(QString, destination);
        QFETCH(QString, server);
        QFETCH(QString, user);
        QFETCH(int, port);
        QCOMPARE(to_qstring(parsed->destination), destination);
        QCOMPARE(to_qstring(parsed->server.server), server);
        QCOMPARE(to_qstring(parsed->server.user), user);
        QCOMPARE(int(parsed->server.port), port);
        QVERIFY(parsed->server.passive);
        // What the core asks of an FTP destination is there.
        brim::BackupItem job;
        job.kind = brim::BackupKind::normal;
        job.destination = parsed->destination;
        KeepFtpServer(job, parsed->server);
        QVERIFY(!brim::ftp_destination_fault(job));
    }

    void an_entry_for_the_same_server_is_replaced() {
        brim::BackupItem job;
        brim::FtpConnectInfo first{u"host", u"ann", u"old", 21, true};
        brim::FtpConnectInfo other_port{u"host", u"ann", u"x", 2121, true};
        KeepFtpServer(job, first);
        KeepFtpServer(job, other_port);
        brim::FtpConnectInfo again{u"HOST", u"bob", u"new", 21, true};
        KeepFtpServer(job, again);
        QCOMPARE(job.ftp_servers.size(), std::size_t{2});
        QVERIFY(job.ftp_servers[0] == again);
        QVERIFY(job.ftp_servers[1] == other_port);
    }

    void finishing_a_merge_copy_drops_its_security() {
        brim::BackupItem job;
        job.kind = brim::BackupKind::merge_copy;
        SetJobSecurity(job, u"secret", brim::job_option::cipher_xor | brim::job_option::password);
        QCOMPARE(job.options & brim::job_option::security_mask, brim::job_option::cipher_xor | brim::job_option::password);
        job.options |= brim::job_option::retry;
        FinishNewJob(job);
        QCOMPARE(job.options, 0u);
        QVERIFY(job.password.empty());
    }
};

BRIM_QTEST_MAIN(NewJobRulesTest)
#include "new_job_rules_test.moc"
