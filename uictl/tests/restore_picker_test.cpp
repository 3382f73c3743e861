// The archive tree and list over a set made by a real backup: what is
// picked in them, handed to the restore, brings back exactly those files.
#include <algorithm>

#include <QtTest>

#include "basekit/convertion.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_report_coll.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "tests/support/temp_dir.h"
#include "uictl/restore_picker.h"
#include "uictl/ui_language.h"

using namespace uictl;
namespace fs = std::filesystem;

namespace {

class QuietRestore final : public brim::RestoreEvent {
public:
    void end_parse(std::uint32_t, std::uint32_t, std::uint64_t) override {}
    void on_warning(const bk::String& text) override { warnings << QString::fromStdU16String(text); }
    void on_error(const bk::String& text) override { warnings << QString::fromStdU16String(text); }
    void on_size(std::uint32_t) override {}
    void end_stop() override {}
    void begin_restore(const bk::String&) override {}
    void end_restore() override {}
    void restore_dir(const bk::String&) override {}
    void on_file(const bk::String&, std::uint32_t) override {}
    void on_file(const bk::String&) override {}
    bool replace_file(const brim::DataHeader&, const bk::String&) override { return true; }
    bool replace_file(const bk::String&, const bk::String&) override { return true; }
    bool replace_ftp_file(const brim::DataHeader&, const bk::String&, std::int64_t, std::int64_t) override {
        return true;
    }
    void verify_file(const bk::String&) override {}
    QStringList warnings;
};

bk::String native(const fs::path& path) { return bk::from_native_path(path.string()); }

// A job over src/ (a/ with a1, "new\nline" and x/x1; b/b1; f1) backed up
// once, and its set opened for a restore.
struct BackedUpSet {
    brim_test::TempDir dir;
    brim::BackupItem job;
    std::unique_ptr<brim::BackupSession> session;
    std::vector<const brim::archive::RunLayout*> runs;
    QuietRestore events;

    // `runs` backups of kind increment; f1 changes before each later one.
    explicit BackedUpSet(int backups = 1) {
        const fs::path src = dir / "src";
        fs::create_directories(src / "a" / "x");
        fs::create_directories(src / "b");
        brim_test::write_bytes(src / "a" / "a1", "a1");
        brim_test::write_bytes(src / "a" / "new\nline", "newline");
        brim_test::write_bytes(src / "a" / "x" / "x1", "x1");
        brim_test::write_bytes(src / "b" / "b1", "b1");
        brim_test::write_bytes(src / "f1", "f1");
        job.name = u"Picked";
        job.kind = backups == 1 ? brim::BackupKind::normal : brim::BackupKind::increment;
        job.destination = native(dir / "dest");
        job.sources = {{native(src), brim::SourceType::directory, true}};
        job.options = brim::job_option::keep_set;
        for (int run = 1; run <= backups; ++run) {
            if (run > 1) {
                brim_test::write_bytes(src / "f1", "f1 of run " + std::to_string(run));
                fs::last_write_time(src / "f1", fs::last_write_time(src / "f1") + std::chrono::seconds(run));
            }
            brim::BackupSession::create_session(&job, brim::SessionDirection::backup)->backup();
        }
        session = brim::BackupSession::create_session(&job, brim::SessionDirection::restore);
        session->install(&events);
        session->open(runs, nullptr);
    }

    // Restores the headers under a fresh target, each item at its whole
    // original path there, and lists every file the target then holds,
    // relative to where the source folder lands.
    QStringList restore(const std::vector<const brim::DataHeader*>& headers) {
        const fs::path target = dir / "out";
        fs::remove_all(target);
        session->restore(headers, native(target), brim::restore_option::keep_structure);
        const fs::path source = target / (dir / "src").relative_path();
        QStringList files;
        if (!fs::exists(target)) return files;
        for (const auto& entry : fs::recursive_directory_iterator(target))
            if (entry.is_regular_file())
                files << QString::fromStdString(fs::relative(entry.path(), source).string());
        files.sort();
        return files;
    }
};

// The node of a folder below the run's source, listing the way.
NodeId node_at(CRestoreTreeCtrl& tree, const QStringList& pieces) {
    const CheckModel& model = tree.model();
    NodeId node = model.roots().front();
    for (const QString& piece : pieces) {
        tree.ensure_listed(node);
        NodeId next = no_node;
        for (const NodeId child : model.node(node).children)
            if (piece == "*" || QString::fromStdU16String(model.node(child).name) == piece) next = child;
        if (next == no_node) return no_node;
        node = next;
    }
    return node;
}

int row_of(const CRestoreListCtrl& list, const QString& name) {
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        if (list.topLevelItem(i)->text(0) == name) return i;
    return -1;
}

}  // namespace

class RestorePickerTest : public QObject {
    Q_OBJECT
private slots:
    void init() { force_ui_language(UiLanguage::english); }
    void cleanup() { force_ui_language(std::nullopt); }

    // Actions: "t:<piece>/<piece>" clicks the tree node ("*" the run, then its
    // source, then folders), "l:<node>|<row>" a row of the list showing it.
    void picked_items_are_restored_data() {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QStringList>("restored");
        const QStringList all{"a/a1", "a/new\nline", "a/x/x1", "b/b1", "f1"};
        QTest::newRow("all backups") << QStringList{"t:"} << all;
        QTest::newRow("the run") << QStringList{"t:*"} << all;
        QTest::newRow("one folder") << QStringList{"t:*/*/a"} << QStringList{"a/a1", "a/new\nline", "a/x/x1"};
        QTest::newRow("a deep folder") << QStringList{"t:*/*/a/x"} << QStringList{"a/x/x1"};
        QTest::newRow("the file with a newline")
            << QStringList{"l:*/*/a|new\uFFFDline"} << QStringList{"a/new\nline"};
        QTest::newRow("source then one file off")
            << QStringList{"t:*/*", "l:*/*|f1"} << QStringList{"a/a1", "a/new\nline", "a/x/x1", "b/b1"};
        QTest::newRow("folder then its subfolder off")
            << QStringList{"t:*/*/a", "l:*/*/a|x"} << QStringList{"a/a1", "a/new\nline"};
        QTest::newRow("nothing") << QStringList{} << QStringList{};
    }
    void picked_items_are_restored() {
        QFETCH(QStringList, actions);
        QFETCH(QStringList, restored);
        BackedUpSet set;
        QCOMPARE(set.runs.size(), std::size_t(1));
        RestorePicker picker;
        picker.tree().Display(set.runs);
        for (const QString& action : actions) {
            const QStringList parts = action.mid(2).split('|');
            const QStringList pieces = parts[0].isEmpty() ? QStringList{} : parts[0].split('/');
            const NodeId node = node_at(picker.tree(), pieces);
            QVERIFY(node != no_node);
            if (action.startsWith("t:")) {
                QTreeWidgetItem* item = picker.tree().item_of(node);
                item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            } else {
                picker.tree().select_node(node);
                const int row = row_of(picker.list(), parts[1]);
                QVERIFY2(row >= 0, qPrintable(parts[1]));
                picker.list().DoChangeState(row);
            }
        }
        std::vector<const brim::DataHeader*> headers{nullptr};  // what was there stays
        const int count = picker.tree().GetSelectedData(headers);
        QCOMPARE(count == 0, restored.isEmpty());
        QCOMPARE(headers.size(), std::size_t(count) + 1);
        QCOMPARE(picker.tree().HasSelection(), !restored.isEmpty());
        if (restored.isEmpty()) return;
        headers.erase(headers.begin());
        QCOMPARE(set.restore(headers), restored);
        QVERIFY2(set.events.warnings.isEmpty(), qPrintable(set.events.warnings.join('\n')));
    }

    // Of a set of a backup and an increment: each backup brings back what it
    // holds, all backups the newest copy of every file.
    void backups_of_a_set_are_picked_as_a_whole() {
        BackedUpSet set(2);
        QCOMPARE(set.runs.size(), std::size_t(2));
        const QStringList all{"a/a1", "a/new\nline", "a/x/x1", "b/b1", "f1"};
        const fs::path f1 = set.dir / "out" / (set.dir / "src").relative_path() / "f1";
        struct Case {
            QStringList pieces;
            QStringList restored;
            std::string f1;
        };
        const Case cases[] = {
            {{"*"}, {"f1"}, "f1 of run 2"},  // node_at takes the last run: the increment
            {{}, all, "f1 of run 2"},
        };
        for (const Case& c : cases) {
            RestorePicker picker;
            picker.tree().Display(set.runs);
            picker.tree().SetItemState(node_at(picker.tree(), c.pieces), selected);
            std::vector<const brim::DataHeader*> headers;
            QVERIFY(picker.tree().GetSelectedData(headers) > 0);
            QCOMPARE(set.restore(headers), c.restored);
            QCOMPARE(brim_test::read_bytes(f1), c.f1);
        }
        // The first backup alone holds the first f1.
        RestorePicker picker;
        picker.tree().Display(set.runs);
        const NodeId first = picker.tree().model().node(picker.tree().model().roots().front()).children.front();
        picker.tree().SetItemState(first, selected);
        std::vector<const brim::DataHeader*> headers;
        QCOMPARE(picker.tree().GetSelectedData(headers), 1);
        QCOMPARE(headers.front(), set.runs.front()->root.get());
        QCOMPARE(set.restore(headers), all);
        QCOMPARE(brim_test::read_bytes(f1), std::string("f1"));
    }

    void clear_all_forgets_the_set() {
        BackedUpSet set;
        RestorePicker picker;
        picker.tree().Display(set.runs);
        picker.tree().SetItemState(picker.tree().model().roots().front(), selected);
        QVERIFY(picker.tree().HasSelection());
        picker.tree().ClearAll();
        picker.list().ClearAll();
        QVERIFY(!picker.tree().HasSelection());
        QCOMPARE(picker.tree().topLevelItemCount(), 0);
        std::vector<const brim::DataHeader*> headers;
        QCOMPARE(picker.tree().GetSelectedData(headers), 0);
    }

    void pictures() {
        BackedUpSet set;
        for (const auto language : {UiLanguage::english, UiLanguage::chinese}) {
            force_ui_language(language);
            RestorePicker picker;
            picker.resize(760, 420);
            picker.tree().Display(set.runs);
            const NodeId a = node_at(picker.tree(), {"*", "*", "a"});
            picker.tree().SetItemState(a, selected);
            picker.tree().select_node(node_at(picker.tree(), {"*", "*"}));
            brim_test::save_picture(&picker, language == UiLanguage::english ? "restore_picker_en" : "restore_picker_zh",
                                    true);
        }
    }
};

BRIM_QTEST_MAIN(RestorePickerTest)
#include "restore_picker_test.moc"
