// The folder tree and list over a real folder: clicks in either become the
// job's sources, an existing job's sources show as the same selection, and
// folders are listed when they are first opened.
#include <unistd.h>

#include <algorithm>

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSpinBox>
#include <QPushButton>
#include <QtTest>

#include "basekit/convertion.h"
#include "core/jobs/backup_item.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "tests/support/temp_dir.h"
#include "uictl/folder_picker.h"
#include "uictl/ftp_server_dialog.h"
#include "uictl/ui_language.h"

using namespace uictl;
using brim::SourceData;
using brim::SourceType;

Q_DECLARE_METATYPE(std::vector<SourceData>)

namespace {

namespace fs = std::filesystem;

bk::String native(const std::filesystem::path& path) { return bk::from_native_path(path.string()); }

// The fixture: a/ (a1, "new\nline", a/x/ with x1), b/ (b1), f1, a link to a
// file and one to a folder.
struct Fixture {
    brim_test::TempDir dir;
    bk::String root;
    Fixture() {
        std::filesystem::create_directories(dir / "a" / "x");
        std::filesystem::create_directories(dir / "b");
        brim_test::write_bytes(dir / "a" / "a1", "a1");
        brim_test::write_bytes(dir / "a" / "new\nline", "newline");
        brim_test::write_bytes(dir / "a" / "x" / "x1", "x1");
        brim_test::write_bytes(dir / "b" / "b1", "b1");
        brim_test::write_bytes(dir / "f1", "f1");
        ::symlink("f1", (dir / "file link").c_str());
        ::symlink("a", (dir / "folder link").c_str());
        root = native(dir.path());
    }
    bk::String at(const std::string& relative) const { return native(dir.path() / relative); }
};

std::vector<SourceData> sorted(std::vector<SourceData> sources) {
    std::sort(sources.begin(), sources.end(), [](const SourceData& l, const SourceData& r) {
        return std::tie(l.path, l.type, l.recursive) < std::tie(r.path, r.type, r.recursive);
    });
    return sources;
}

// The list row showing `name`, -1 when none.
int row_of(const CFolderListCtrl& list, const QString& name) {
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        if (list.topLevelItem(i)->text(0) == name) return i;
    return -1;
}

// Ticks or unticks the check box of a tree item or list row the way a click
// does: Qt changes the item, the control takes it from there.
void click_item(QTreeWidgetItem* item) {
    QVERIFY(item != nullptr);
    item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

}  // namespace

class FolderPickerTest : public QObject {
    Q_OBJECT
private slots:
    void init() { force_ui_language(UiLanguage::english); }
    void cleanup() {
        force_ui_language(std::nullopt);
        set_ftp_server_prompt({});
    }

    // Each action: "t:<path>" clicks the tree item of a folder, "l:<folder>|<row>"
    // clicks the row named <row> in the list showing <folder>.
    void clicks_become_sources_data() {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QStringList>("expected");  // "D path", "d path" (not recursive), "F path"
        QTest::newRow("whole folder") << QStringList{"t:"} << QStringList{"D "};
        QTest::newRow("one subfolder") << QStringList{"t:a"} << QStringList{"D a"};
        QTest::newRow("file with a newline")
            << QStringList{"l:a|new\uFFFDline"} << QStringList{"F a/new\nline"};
        QTest::newRow("folder then one file off")
            << QStringList{"t:", "l:|f1"} << QStringList{"D a", "D b", "F file link"};
        QTest::newRow("deep file off")
            << QStringList{"t:a", "l:a/x|x1"} << QStringList{"F a/a1", "F a/new\nline"};
        QTest::newRow("all pieces one by one")
            << QStringList{"l:|a", "l:|b", "l:|f1", "l:|file link"} << QStringList{"D "};
        QTest::newRow("on and off again") << QStringList{"t:b", "l:|b"} << QStringList{};
        QTest::newRow("two folders") << QStringList{"t:a/x", "t:b"} << QStringList{"D a/x", "D b"};
    }
    void clicks_become_sources() {
        QFETCH(QStringList, actions);
        QFETCH(QStringList, expected);
        Fixture fixture;
        FolderPicker picker;
        picker.tree().Display();
        auto path_of = [&](const QString& relative) {
            return relative.isEmpty() ? fixture.root : fixture.at(relative.toStdString());
        };
        for (const QString& action : actions) {
            const QString what = action.mid(2);
            if (action.startsWith("t:")) {
                click_item(picker.tree().item_of(picker.tree().find_path(path_of(what))));
            } else {
                const QStringList parts = what.split('|');
                picker.tree().select_node(picker.tree().find_path(path_of(parts[0])));
                const int row = row_of(picker.list(), parts[1]);
                QVERIFY2(row >= 0, qPrintable(parts[1]));
                click_item(picker.list().topLevelItem(row));
            }
        }
        std::vector<SourceData> want;
        for (const QString& line : expected) {
            const QString relative = line.mid(2);
            const bk::String path = path_of(relative);
            if (line[0] == 'D') want.push_back({path, SourceType::directory, true});
            if (line[0] == 'd') want.push_back({path, SourceType::directory, false});
            if (line[0] == 'F') want.push_back({path, SourceType::file, false});
        }
        brim::BackupItem job;
        job.sources.push_back({u"/kept", SourceType::directory, true});
        const int result = picker.tree().GetSelectedData(&job);
        QCOMPARE(result, want.empty() ? 0 : 1);
        QCOMPARE(job.sources.front().path, bk::String(u"/kept"));
        std::vector<SourceData> got(job.sources.begin() + 1, job.sources.end());
        QVERIFY(sorted(got) == sorted(want));
        QCOMPARE(picker.tree().HasSelection(), !want.empty());

        // The same sources shown again select the same.
        FolderPicker again;
        again.tree().Display();
        std::vector<SourceData*> shown;
        for (auto& source : got) shown.push_back(&source);
        again.tree().Display(shown);
        QVERIFY(sorted(again.tree().selected_sources()) == sorted(want));
    }

    void name_that_is_not_utf8_comes_back_exactly() {
        Fixture fixture;
        const std::string bytes = "bad\xFF" "byte";
        brim_test::write_bytes(fixture.dir / "b" / bytes, "odd");
        FolderPicker picker;
        picker.tree().Display();
        const NodeId b = picker.tree().find_path(fixture.at("b"));
        picker.tree().select_node(b);
        const auto& files = picker.tree().model().node(b).files;
        const auto odd = std::find_if(files.begin(), files.end(), [](const FileEntry& f) { return f.name != u"b1"; });
        QVERIFY(odd != files.end());
        // The list shows folders first, then the files in the model's order.
        const int row = static_cast<int>(picker.tree().model().node(b).children.size() + (odd - files.begin()));
        QVERIFY(picker.list().topLevelItem(row)->text(0).startsWith("bad"));
        picker.list().DoChangeState(row);
        brim::BackupItem job;
        QCOMPARE(picker.tree().GetSelectedData(&job), 1);
        QCOMPARE(job.sources.size(), std::size_t(1));
        QCOMPARE(bk::to_native_path(job.sources[0].path), (fixture.dir / "b" / bytes).string());
        QVERIFY(job.sources[0].type == SourceType::file);
    }

    void list_follows_tree_states() {
        Fixture fixture;
        FolderPicker picker;
        int notices = 0;
        connect(&picker, &FolderPicker::selectionChanged, this, [&] { ++notices; });
        picker.tree().Display();
        const NodeId a = picker.tree().find_path(fixture.at("a"));
        picker.tree().select_node(a);
        click_item(picker.tree().item_of(a));
        QVERIFY(notices > 0);
        for (int i = 0; i < picker.list().topLevelItemCount(); ++i)
            QCOMPARE(picker.list().topLevelItem(i)->checkState(0), Qt::Checked);
        click_item(picker.list().topLevelItem(row_of(picker.list(), "a1")));
        QCOMPARE(picker.tree().item_of(a)->checkState(0), Qt::PartiallyChecked);
        picker.list().SetReadonly(1);
        click_item(picker.list().topLevelItem(row_of(picker.list(), "a1")));
        QCOMPARE(picker.list().topLevelItem(row_of(picker.list(), "a1"))->checkState(0), Qt::Unchecked);
        QCOMPARE(picker.tree().item_of(a)->checkState(0), Qt::PartiallyChecked);
    }

    void space_ticks_the_current_item() {
        Fixture fixture;
        FolderPicker picker;
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        picker.tree().Display();
        const NodeId a = picker.tree().find_path(fixture.at("a"));
        picker.tree().select_node(a);
        picker.tree().setFocus();
        QTest::keyClick(&picker.tree(), Qt::Key_Space);
        QCOMPARE(picker.tree().GetSelectedState(a), int(selected));
        QTest::keyClick(&picker.tree(), Qt::Key_Space);
        QCOMPARE(picker.tree().GetSelectedState(a), int(not_selected));
        // In the list the same: the first row of "a" is its folder "x".
        picker.list().setFocus();
        picker.list().setCurrentItem(picker.list().topLevelItem(0));
        QTest::keyClick(&picker.list(), Qt::Key_Space);
        QCOMPARE(picker.tree().GetSelectedState(picker.tree().model().find_child(a, u"x")), int(selected));
        QCOMPARE(picker.tree().GetSelectedState(a), int(partly_selected));
    }

    void ftp_server_dialog_gives_what_was_entered() {
        for (const auto language : {UiLanguage::english, UiLanguage::chinese}) {
            force_ui_language(language);
            CFtpServerDialog dialog;
            auto* ok = dialog.findChildren<QPushButton*>().front();
            QVERIFY(!ok->isEnabled());  // no server yet
            QTest::keyClicks(dialog.findChild<QLineEdit*>("server"), "  ftp.example.org ");
            QVERIFY(ok->isEnabled());
            dialog.findChild<QSpinBox*>("port")->setValue(2121);
            QTest::keyClicks(dialog.findChild<QLineEdit*>("user"), "me");
            QTest::keyClicks(dialog.findChild<QLineEdit*>("password"), "pw");
            dialog.findChild<QCheckBox*>("passive")->setChecked(false);
            QVERIFY(dialog.server() == (brim::FtpConnectInfo{u"ftp.example.org", u"me", u"pw", 2121, false}));
            brim_test::save_picture(&dialog, language == UiLanguage::english ? "ftp_server_en" : "ftp_server_zh");
        }
        set_ftp_server_prompt([] { return std::optional(brim::FtpConnectInfo{}); });
        QVERIFY(!ask_ftp_server(nullptr));  // an empty server is no answer
    }

    void folders_are_listed_when_opened() {
        Fixture fixture;
        FolderPicker picker;
        picker.tree().Display();
        const NodeId root = picker.tree().find_path(fixture.root);
        QVERIFY(!picker.tree().model().node(root).listed);
        // What appears before the folder is opened is shown.
        std::filesystem::create_directories(fixture.dir / "late");
        picker.tree().item_of(root)->setExpanded(true);
        const auto& node = picker.tree().model().node(root);
        QVERIFY(node.listed);
        QStringList children;
        for (const NodeId child : node.children) children << QString::fromStdU16String(picker.tree().model().node(child).name);
        QCOMPARE(children, (QStringList{"a", "b", "late"}));
        QStringList files;
        for (const auto& file : node.files) files << QString::fromStdU16String(file.name);
        // The link to a file is a file; the link to a folder is not followed.
        QCOMPARE(files, (QStringList{"f1", "file link"}));
        // A selected folder's content is selected when it is listed later.
        const NodeId b = picker.tree().model().find_child(root, u"b");
        click_item(picker.tree().item_of(b));
        QVERIFY(!picker.tree().model().node(b).listed);
        picker.tree().item_of(b)->setExpanded(true);
        QVERIFY(picker.tree().model().node(b).files.at(0).is_selected());
    }

    void folder_that_cannot_be_read_shows_why() {
        Fixture fixture;
        FolderPicker picker;
        picker.tree().Display();
        const NodeId b = picker.tree().find_path(fixture.at("b"));
        // Gone between the listing of its parent and its own.
        std::filesystem::remove_all(fixture.dir / "b");
        picker.tree().select_node(b);
        QVERIFY(picker.tree().content_note(b).startsWith("Cannot list: "));
        QVERIFY(picker.list().topLevelItem(0)->text(0).startsWith("Cannot list: "));
        QCOMPARE(picker.list().topLevelItemCount(), 1);
    }

    void added_ftp_server_is_a_source() {
        FolderPicker picker;
        picker.tree().Display();
        set_ftp_server_prompt([] {
            brim::FtpConnectInfo info;
            info.server = u"ftp.example.org";
            info.port = 2121;
            info.user = u"me";
            return std::optional(info);
        });
        QTest::mouseClick(picker.findChild<QPushButton*>("addFtpServer"), Qt::LeftButton);
        const NodeId server = picker.tree().model().find_child(picker.tree().ftp_root(), u"ftp.example.org");
        QVERIFY(server != no_node);
        picker.tree().SetItemState(server, selected);
        brim::BackupItem job;
        QCOMPARE(picker.tree().GetSelectedData(&job), 1);
        QVERIFY(job.sources == (std::vector<SourceData>{{u"ftp://ftp.example.org:2121", SourceType::ftp_server, true}}));
        QCOMPARE(job.ftp_servers.size(), std::size_t(1));
        QCOMPARE(job.ftp_servers[0].user, bk::String(u"me"));
        QCOMPARE(job.ftp_servers[0].port, std::uint16_t(2121));
    }

    void ftp_sources_show_without_a_listing() {
        FolderPicker picker;
        brim::FtpConnectInfo info;
        info.server = u"host";
        picker.tree().SetFtpServers({info});
        picker.tree().Display();
        std::vector<SourceData> sources{{u"ftp://host/pub/docs", SourceType::ftp_directory, true},
                                        {u"ftp://host/pub/notes.txt", SourceType::ftp_file, false},
                                        {u"ftp://host/top", SourceType::ftp_directory, false}};
        std::vector<SourceData*> shown;
        for (auto& source : sources) shown.push_back(&source);
        picker.tree().Display(shown);
        QVERIFY(sorted(picker.tree().selected_sources()) == sorted(sources));
    }

    void pictures() {
        // A home folder as a user has it (the suite's home is a temporary one).
        const fs::path home = QDir::homePath().toStdString();
        fs::create_directories(home / "Documents" / "Letters");
        fs::create_directories(home / "Pictures");
        fs::create_directories(home / "Projects");
        brim_test::write_bytes(home / "notes.txt", std::string(2300, 'n'));
        brim_test::write_bytes(home / "budget.ods", std::string(48000, 'b'));
        for (const auto language : {UiLanguage::english, UiLanguage::chinese}) {
            force_ui_language(language);
            FolderPicker picker;
            picker.resize(760, 420);
            picker.tree().Display();
            picker.tree().AddComputer({u"ftp.example.org", u"", u"", 21, true});
            const NodeId root = picker.tree().find_path(native(home));
            picker.tree().SetItemState(picker.tree().find_path(native(home / "Documents")), selected);
            picker.tree().item_of(root)->setExpanded(true);
            picker.tree().select_node(root);
            picker.list().DoChangeState(row_of(picker.list(), "notes.txt"));
            brim_test::save_picture(&picker, language == UiLanguage::english ? "folder_picker_en" : "folder_picker_zh",
                                    true);
        }
    }
};

BRIM_QTEST_MAIN(FolderPickerTest)
#include "folder_picker_test.moc"
