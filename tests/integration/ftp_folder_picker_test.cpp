// The folder tree browsing a real FTP server: folders are listed on a
// thread of their own, the selection becomes FTP sources with the server's
// connection, and a server that does not answer never holds up the window.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QtTest>

#include "core/jobs/backup_item.h"
#include "tests/integration/ftp_server_fixture.h"
#include "tests/support/qtest_main.h"
#include "uictl/folder_picker.h"
#include "uictl/ui_language.h"

using namespace uictl;
using brim::SourceData;
using brim::SourceType;

namespace {

// A port that takes connections (the kernel completes them) but never says a
// word: an FTP server that hangs. Closing it resets what waits there.
class SilentServer {
public:
    SilentServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen");
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { close(); }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    std::uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

QString note_of(CFolderTreeCtrl& tree, NodeId node) { return tree.content_note(node); }

bool wait_for_listings_to_end() {
    return QTest::qWaitFor([] { return ftp_listings_running() == 0; }, 60000);
}

}  // namespace

class FtpFolderPickerTest : public QObject {
    Q_OBJECT
private slots:
    void init() { force_ui_language(UiLanguage::english); }
    void cleanup() {
        QVERIFY(wait_for_listings_to_end());
        force_ui_language(std::nullopt);
    }

    void server_folders_are_browsed_and_picked() {
        brim_test::FtpServer server;
        std::filesystem::create_directories(server.root() / "pub" / "docs");
        brim_test::write_bytes(server.root() / "pub" / "docs" / "readme.txt", "read me");
        brim_test::write_bytes(server.root() / "pub" / "a.txt", "a");
        brim_test::write_bytes(server.root() / "top.txt", "top");

        FolderPicker picker;
        picker.tree().Display();
        CFolderTreeCtrl& tree = picker.tree();
        QSignalSpy listed(&tree, &CFolderTreeCtrl::listingFinished);
        const NodeId host = tree.AddComputer(server.user_info());
        tree.select_node(host);
        QCOMPARE(note_of(tree, host), QString("Listing…"));
        QVERIFY(listed.wait(30000));
        QCOMPARE(listed.takeFirst().at(1).toBool(), true);
        QVERIFY(note_of(tree, host).isEmpty());
        const NodeId pub = tree.model().find_child(host, u"pub");
        QVERIFY(pub != no_node);
        QCOMPARE(tree.model().node(host).files.size(), std::size_t(1));
        // The list shows the server's content once it is there.
        QCOMPARE(picker.list().topLevelItemCount(), 2);

        tree.item_of(pub)->setExpanded(true);
        QVERIFY(listed.wait(30000));
        const NodeId docs = tree.model().find_child(pub, u"docs");
        QVERIFY(docs != no_node);
        tree.SetItemState(docs, selected);
        tree.model().click_file(host, 0);

        brim::BackupItem job;
        QCOMPARE(tree.GetSelectedData(&job), 1);
        const bk::String base = u"ftp://127.0.0.1:" + QString::number(server.port()).toStdU16String();
        const std::vector<SourceData> expected{{base + u"/pub/docs", SourceType::ftp_directory, true},
                                               {base + u"/top.txt", SourceType::ftp_file, false}};
        QVERIFY(job.sources == expected);
        QCOMPARE(job.ftp_servers.size(), std::size_t(1));
        QVERIFY(job.ftp_servers[0] == server.user_info());

        // A wrong password shows the FTP client's reason in place of the content.
        brim::FtpConnectInfo wrong = server.user_info();
        wrong.server = u"localhost";
        wrong.password = u"wrong";
        const NodeId refused = tree.AddComputer(wrong);
        tree.select_node(refused);
        QVERIFY(listed.wait(30000));
        QCOMPARE(listed.takeLast().at(1).toBool(), false);
        QVERIFY2(note_of(tree, refused).startsWith("Cannot list: "), qPrintable(note_of(tree, refused)));
        QVERIFY(note_of(tree, refused).contains("can't be connected"));
    }

    void silent_server_leaves_the_window_working() {
        SilentServer silent;
        FolderPicker picker;
        picker.tree().Display();
        CFolderTreeCtrl& tree = picker.tree();
        QSignalSpy listed(&tree, &CFolderTreeCtrl::listingFinished);
        const NodeId host = tree.AddComputer({u"127.0.0.1", u"", u"", silent.port(), true});
        // Opening the server returns at once, with the listing under way.
        tree.item_of(host)->setExpanded(true);
        tree.select_node(host);
        QCOMPARE(note_of(tree, host), QString("Listing…"));
        QCOMPARE(picker.list().topLevelItem(0)->text(0), QString("Listing…"));
        QCOMPARE(listed.count(), 0);
        // Meanwhile the window takes clicks.
        const NodeId root = tree.model().roots().front();
        tree.SetItemState(root, selected);
        QCOMPARE(tree.item_of(root)->checkState(0), Qt::Checked);
        QCOMPARE(ftp_listings_running(), 1);
        // Opening it again does not start a second listing.
        tree.item_of(host)->setExpanded(false);
        tree.item_of(host)->setExpanded(true);
        QCOMPARE(ftp_listings_running(), 1);

        silent.close();
        QVERIFY(listed.wait(60000));
        QCOMPARE(listed.first().at(1).toBool(), false);
        QVERIFY2(note_of(tree, host).startsWith("Cannot list: "), qPrintable(note_of(tree, host)));
        QVERIFY(picker.list().topLevelItem(0)->text(0).startsWith("Cannot list: "));
        QVERIFY(!tree.model().node(host).listed);
    }

    void tree_closed_during_a_listing_drops_its_result() {
        SilentServer silent;
        {
            FolderPicker picker;
            picker.tree().Display();
            const NodeId host = picker.tree().AddComputer({u"127.0.0.1", u"", u"", silent.port(), true});
            picker.tree().select_node(host);
            QCOMPARE(ftp_listings_running(), 1);
        }
        silent.close();
        QVERIFY(wait_for_listings_to_end());
        QTest::qWait(50);  // anything posted would arrive now
    }
};

BRIM_QTEST_MAIN(FtpFolderPickerTest)
#include "ftp_folder_picker_test.moc"
