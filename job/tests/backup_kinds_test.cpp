// The words for backup kinds and combination rules, the checks of a new
// job, a job's next run and the small look-ups of the dialogs.
#include <QComboBox>
#include <QtTest>

#include "basekit/date.h"
#include "core/archive/set_layout.h"
#include "job/backup_kinds.h"
#include "job/job_strings.h"
#include "taskplan/task_planner.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

using namespace job;
using uictl::from_qstring;
using uictl::to_qstring;
using uictl::UiLanguage;

Q_DECLARE_METATYPE(uictl::UiLanguage)
Q_DECLARE_METATYPE(job::BakKindCombineTrigger)

namespace {

// A planner that knows one task, "Nightly", with the given next run and
// first trigger.
class OneTaskPlanner final : public taskplan::CTaskPlanner {
public:
    OneTaskPlanner(std::int64_t next, taskplan::TriggerType trigger) : next_(next), trigger_(trigger) {}
    std::unique_ptr<taskplan::CTask> GetTask(bk::StringView name) override {
        if (name != u"Nightly") return nullptr;
        return std::make_unique<Task>(next_, trigger_);
    }

private:
    class Task final : public taskplan::CTask {
    public:
        Task(std::int64_t next, taskplan::TriggerType trigger) : next_(next), trigger_(trigger) {}
        bk::String GetTaskName() const override { return u"Nightly"; }
        std::int64_t GetNextExecutionTime() override { return next_; }
        taskplan::TriggerType GetTrigger() override { return trigger_; }

    private:
        std::int64_t next_;
        taskplan::TriggerType trigger_;
    };
    std::int64_t next_;
    taskplan::TriggerType trigger_;
};

BakKindCombineTrigger weekly(std::int16_t weeks, std::uint16_t days) {
    BakKindCombineTrigger rule;
    rule.kind = BakKindCombineTrigger::Kind::weekly;
    rule.interval = weeks;
    rule.days_of_week = days;
    return rule;
}

BakKindCombineTrigger with_value(BakKindCombineTrigger::Kind kind, int value) {
    BakKindCombineTrigger rule;
    rule.kind = kind;
    rule.value = value;
    return rule;
}

QString text_of(std::uint32_t id) {
    return to_qstring(job_strings().text(id));
}

}  // namespace

class BackupKindsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { uictl::force_ui_language(UiLanguage::english); }
    void cleanup() {
        uictl::force_ui_language(std::nullopt);
        taskplan::CTaskPlanner::Install(nullptr);
    }

    void kind_names_read_back_data() {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("combo_index");
        QTest::addColumn<int>("read_back");
        const int none = int(BackupKind::none);
        for (const auto language : {UiLanguage::english, UiLanguage::chinese}) {
            const char* tag = language == UiLanguage::english ? "en" : "zh";
            const bool en = language == UiLanguage::english;
            const auto row = [&](const char* what) -> QTestData& { return QTest::addRow("%s %s", tag, what); };
            row("copy") << language << 0 << (en ? "Full Copy" : "完全复制") << 2 << 0;
            row("normal") << language << 1 << (en ? "Full Backup" : "完全备份") << 0 << 1;
            row("increment") << language << 2 << (en ? "Incremental Backup" : "增量备份") << 1 << 2;
            // The kinds without a name sit where increment does; their
            // (empty) text reads back as no kind.
            row("difference") << language << 3 << "" << 1 << none;
            row("increment copy") << language << 4 << (en ? "Incremental Copy" : "增量复制") << 3 << 4;
            row("merge copy") << language << 5 << (en ? "Merge Copy" : "合并复制") << 4 << 5;
            row("directory copy") << language << 6 << "" << 1 << none;
            row("burner") << language << 7 << "" << 1 << none;
            row("none") << language << none << "" << 1 << none;
        }
    }
    void kind_names_read_back() {
        QFETCH(UiLanguage, language);
        uictl::force_ui_language(language);
        QFETCH(int, kind);
        QFETCH(QString, name);
        QCOMPARE(to_qstring(BakTypeToString(BackupKind(kind))), name);
        QCOMPARE(BakTypeDescription(BackupKind(kind)).empty(), name.isEmpty());
        QFETCH(int, combo_index);
        QCOMPARE(GetComboBoxIndex(BackupKind(kind)), combo_index);
        QFETCH(int, read_back);
        QCOMPARE(int(StringToBakType(from_qstring(name))), read_back);
    }

    void unknown_texts_are_no_kind() {
        for (const char16_t* text : {u"full backup", u"Full Backup ", u"normal", u"完全备份"})
            QCOMPARE(StringToBakType(text), BackupKind::none);
    }

    void the_combo_lists_the_kinds_in_its_order() {
        QComboBox box;
        InitBakTypes(box);
        QCOMPARE(box.count(), 5);
        for (const BackupKind kind : {BackupKind::normal, BackupKind::increment, BackupKind::copy,
                                      BackupKind::increment_copy, BackupKind::merge_copy}) {
            const int index = GetComboBoxIndex(kind);
            QCOMPARE(box.itemText(index), to_qstring(BakTypeToString(kind)));
            QCOMPARE(box.itemData(index).toInt(), int(kind));
        }
    }

    void rules_read_as_sentences_data() {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<BakKindCombineTrigger>("rule");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("sentence");
        using Kind = BakKindCombineTrigger::Kind;
        QTest::newRow("every 10 runs") << UiLanguage::english << with_value(Kind::count, 10) << 1
                                       << "and every 10 runs one full backup run. ";
        QTest::newRow("every 10 runs, zh") << UiLanguage::chinese << with_value(Kind::count, 10) << 1
                                           << "且每隔 10 次执行一次完全备份. ";
        QTest::newRow("Monday and Friday every 2 weeks")
            << UiLanguage::chinese << weekly(2, 0x02 | 0x20) << 1 << "且每隔 2 周于周一、周五执行一次完全备份.";
        QTest::newRow("every week lists the days Sunday first")
            << UiLanguage::english << weekly(1, 0x40 | 0x01 | 0x08) << 0
            << "and every Sunday, Wednesday, Saturday one full copy run.";
        QTest::newRow("weekly, zh") << UiLanguage::chinese << weekly(1, 0x01) << 1 << "且于每周日执行一次完全备份.";
        QTest::newRow("day 15 of the month") << UiLanguage::english << with_value(Kind::monthly, 15) << 2
                                             << "and on day 15 of every month one incremental backup run.";
        QTest::newRow("unknown rule type") << UiLanguage::english << with_value(Kind(7), 3) << 1 << "";
    }
    void rules_read_as_sentences() {
        QFETCH(UiLanguage, language);
        uictl::force_ui_language(language);
        QFETCH(BakKindCombineTrigger, rule);
        QFETCH(int, kind);
        QFETCH(QString, sentence);
        QCOMPARE(to_qstring(TriggerToString(&rule, BackupKind(kind))), sentence);
    }

    void no_rule_reads_as_nothing() { QVERIFY(TriggerToString(nullptr, BackupKind::normal).empty()); }

    void the_next_run_of_a_job_data() {
        QTest::addColumn<QString>("task_name");
        QTest::addColumn<qint64>("next");
        QTest::addColumn<int>("trigger");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("result");
        const qint64 at = bk::Date(2027, 3, 1, 22, 30, 0).time();
        const QString date = to_qstring(bk::Date(at).to_string());
        using taskplan::TriggerType;
        QTest::newRow("next run known") << "Nightly" << at << int(TriggerType::daily) << date << at;
        QTest::newRow("one-time task done") << "Nightly" << qint64(0) << int(TriggerType::once) << "None" << qint64(0);
        QTest::newRow("when idle") << "Nightly" << qint64(0) << int(TriggerType::when_idle) << "When idle" << qint64(0);
        QTest::newRow("at system start")
            << "Nightly" << qint64(0) << int(TriggerType::at_system_start) << "At system start" << qint64(0);
        QTest::newRow("at logon") << "Nightly" << qint64(0) << int(TriggerType::at_logon) << "At logon" << qint64(0);
        QTest::newRow("time trigger without a next run keeps the text")
            << "Nightly" << qint64(0) << int(TriggerType::weekly) << "before" << qint64(0);
        QTest::newRow("task the planner does not know") << "Gone" << at << int(TriggerType::daily) << "None" << qint64(0);
        QTest::newRow("job without a task") << "" << at << int(TriggerType::daily) << "None" << qint64(0);
    }
    void the_next_run_of_a_job() {
        QFETCH(qint64, next);
        QFETCH(int, trigger);
        taskplan::CTaskPlanner::Install(std::make_unique<OneTaskPlanner>(next, taskplan::TriggerType(trigger)));
        brim::BackupItem job;
        QFETCH(QString, task_name);
        job.task_name = from_qstring(task_name);
        bk::String shown = u"before";
        QFETCH(qint64, result);
        QCOMPARE(GetTriggerTime(&job, shown), result);
        QFETCH(QString, text);
        QCOMPARE(to_qstring(shown), text);
    }

    void without_a_scheduler_no_job_has_a_next_run() {
        brim::BackupItem job;
        job.task_name = u"Nightly";
        bk::String text = u"before";
        QCOMPARE(GetTriggerTime(&job, text), 0);
        QCOMPARE(to_qstring(text), QStringLiteral("None"));
        QCOMPARE(GetTriggerTime(nullptr, text), 0);  // no job: the text stays
        QCOMPARE(to_qstring(text), QStringLiteral("None"));
    }

    void new_jobs_are_checked_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("message");  // 0: no box
        QTest::addColumn<int>("icon");
        const QString dest = "/srv/backup";
        const int passed = check_passed, bad_name = check_name_fault, bad_dest = check_destination_fault;
        QTest::newRow("both sound") << "Daily" << dest << passed << 0 << 0;
        QTest::newRow("both empty") << "" << "" << passed << 0 << 0;
        QTest::newRow("full stop") << "daily.job" << dest << bad_name << 164 << mb::icon_information;
        for (const char c : QByteArray("/?:\\*\"<>|#%"))
            QTest::addRow("refused %c", c) << QString("a%1b").arg(c) << dest << bad_name << 164 << mb::icon_information;
        QTest::newRow("32 characters") << QString(32, 'n') << dest << passed << 0 << 0;
        QTest::newRow("33 characters") << QString(33, 'n') << dest << bad_name << 390 << mb::icon_warning;
        QTest::newRow("relative destination") << "Daily" << "backup/here" << bad_dest << 193 << mb::icon_warning;
        QTest::newRow("NUL in the destination") << "Daily" << QString("/srv/a") + QChar(0) + "b" << bad_dest << 192
                                                << mb::icon_error;
        QTest::newRow("relative destination, no name") << "" << "here" << bad_dest << 193 << mb::icon_warning;
        QTest::newRow("bad name wins over bad destination") << "a.b" << "here" << bad_name << 164 << mb::icon_information;
        // A name of 32 characters at most leaves 218 for the destination.
        QTest::newRow("32 + 219 characters") << QString(32, 'n') << '/' + QString(218, 'd') << bad_name << 242
                                             << mb::icon_warning;
        QTest::newRow("32 + 218 characters") << QString(32, 'n') << '/' + QString(217, 'd') << passed << 0 << 0;
    }
    void new_jobs_are_checked() {
        QFETCH(QString, name);
        QFETCH(QString, destination);
        uictl::MessageBoxSeam seam;
        QFETCH(int, result);
        QCOMPARE(CheckBack(from_qstring(name), from_qstring(destination)), result);
        QFETCH(int, message);
        if (message == 0) {
            QVERIFY(seam.shown().empty());
            return;
        }
        QCOMPARE(seam.shown().size(), std::size_t(1));
        const uictl::ShownMessage& box = seam.shown().front();
        const QString expected =
            message == 193 ? to_qstring(job_strings().format(193, {from_qstring(destination)})) : text_of(message);
        QCOMPARE(to_qstring(box.text), expected);
        QFETCH(int, icon);
        QCOMPARE(box.flags & mb::icon_mask, icon);
    }

    void an_archive_without_items_has_nothing_to_restore() {
        brim::archive::RunLayout empty_run;
        empty_run.root = std::make_unique<brim::DataHeader>(brim::ItemKind::directory, u"");
        brim::archive::RunLayout unread_run;  // catalogue not read
        brim::archive::RunLayout run_with_file;
        run_with_file.root = std::make_unique<brim::DataHeader>(brim::ItemKind::directory, u"");
        run_with_file.root->add_file(std::make_unique<brim::DataHeader>(brim::ItemKind::file, u"/a.txt"));
        brim::archive::RunLayout run_with_directory;
        run_with_directory.root = std::make_unique<brim::DataHeader>(brim::ItemKind::directory, u"");
        run_with_directory.root->add_directory(std::make_unique<brim::DataHeader>(brim::ItemKind::directory, u"/d"));

        const std::vector<std::pair<std::vector<const brim::archive::RunLayout*>, int>> cases{
            {{}, 1},
            {{&empty_run, &unread_run}, 1},
            {{&empty_run, &run_with_file}, 0},
            {{&run_with_directory}, 0},
        };
        for (const auto& [runs, result] : cases) {
            uictl::MessageBoxSeam seam;
            QCOMPARE(RestoreIsEmpty(runs), result);
            QCOMPARE(seam.shown().size(), std::size_t(result));
            if (result == 1) QCOMPARE(to_qstring(seam.shown().front().text), text_of(text_id::nothing_to_restore));
        }
    }

    void pairs_are_found_by_exact_first_member() {
        const std::vector<std::pair<bk::String, bk::String>> pairs{
            {u".doc", u"Word"}, {u".DOC", u"upper"}, {u".doc", u"second"}};
        QCOMPARE(to_qstring(FindVecPair(pairs, u".doc")), QStringLiteral("Word"));
        QCOMPARE(to_qstring(FindVecPair(pairs, u".DOC")), QStringLiteral("upper"));
        QVERIFY(FindVecPair(pairs, u".Doc").empty());
        QVERIFY(FindVecPair({}, u".doc").empty());
    }
};

BRIM_QTEST_MAIN(BackupKindsTest)
#include "backup_kinds_test.moc"
