// The user's options in the per-user settings store (under the suite's
// temporary XDG_CONFIG_HOME): defaults and ranges, the clean mark, the
// marks and string values written at once, the lists and histories, and
// what reaches the core.
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QtTest>

#include "core/jobs/backup_item_manager.h"
#include "core/jobs/log_manager.h"
#include "job/system_option.h"
#include "tests/support/qtest_main.h"
#include "uictl/qt_text.h"

using namespace job;
using uictl::from_qstring;
using uictl::to_qstring;

namespace {

QSettings raw_store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orvex Software", "Brimvault");
}

QString store_file() {
    return raw_store().fileName();
}

void clear_store() {
    QFile::remove(store_file());
}

QByteArray store_bytes() {
    QFile file(store_file());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList paths(const std::vector<bk::String>& list) {
    QStringList out;
    for (const auto& path : list) out << to_qstring(path);
    return out;
}

// The six numbers as the getters give them.
QList<qint64> numbers(const CSystemOption& options) {
    return {options.GetRestoreChoice(), options.GetBackupKind(), options.GetBackupOption(),
            options.GetLogLimit(),      options.GetAutoBackupDay(), options.GetSegmentSize()};
}

}  // namespace

class SystemOptionTest : public QObject {
    Q_OBJECT
private slots:
    void init() { clear_store(); }
    void cleanup() { uictl::force_ui_language(std::nullopt); }

    void an_empty_store_gives_the_defaults() {
        CSystemOption options;
        QVERIFY(options.IsClean());
        QCOMPARE(options.ExistRegister(), 0);
        QCOMPARE(options.Load(), 0);
        QCOMPARE(numbers(options), (QList<qint64>{36, 2, 48, 2, 15, 3072}));
        QCOMPARE(options.GetMaxReportCount(), 0u);
        QCOMPARE(options.GetNeverShowValue(never_show::welcome_dialog), 1);
        QVERIFY(options.GetStringValue(u"Anything").empty());
        QVERIFY(!QFile::exists(store_file()));  // reading never creates the store

        options.SetSegmentSize(512);
        QCOMPARE(options.LoadWithDefault(), 1);
        QVERIFY(!options.IsClean());
        QCOMPARE(options.GetSegmentSize(), 3072u);
    }

    void loading_keeps_numbers_in_range_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("index");  // in numbers()
        QTest::addColumn<qint64>("loaded");
        QTest::newRow("log limit 9") << "LogLimit" << "9" << 3 << qint64(2);
        QTest::newRow("log limit 0") << "LogLimit" << "0" << 3 << qint64(2);
        QTest::newRow("log limit 1") << "LogLimit" << "1" << 3 << qint64(1);
        QTest::newRow("log limit 5") << "LogLimit" << "5" << 3 << qint64(5);
        QTest::newRow("segment 100") << "SegmentSize" << "100" << 5 << qint64(3072);
        QTest::newRow("segment 255") << "SegmentSize" << "255" << 5 << qint64(3072);
        QTest::newRow("segment 256") << "SegmentSize" << "256" << 5 << qint64(256);
        QTest::newRow("days 366") << "AutoBackupDay" << "366" << 4 << qint64(15);
        QTest::newRow("days 365") << "AutoBackupDay" << "365" << 4 << qint64(365);
        QTest::newRow("days 0 (off)") << "AutoBackupDay" << "0" << 4 << qint64(0);
        QTest::newRow("option -1") << "BackupOption" << "4294967295" << 2 << qint64(48);
        QTest::newRow("option 1793") << "BackupOption" << "1793" << 2 << qint64(48);
        QTest::newRow("option 1792") << "BackupOption" << "1792" << 2 << qint64(1792);
        QTest::newRow("kind 8") << "BackupKind" << "8" << 1 << qint64(2);
        QTest::newRow("kind -1") << "BackupKind" << "-1" << 1 << qint64(2);
        QTest::newRow("kind 0") << "BackupKind" << "0" << 1 << qint64(0);
        QTest::newRow("restore choice as it is") << "RestoreChoice" << "4000000000" << 0 << qint64(4000000000);
        QTest::newRow("not a number") << "LogLimit" << "many" << 3 << qint64(2);
    }
    void loading_keeps_numbers_in_range() {
        QFETCH(QString, name);
        QFETCH(QString, stored);
        {
            QSettings store = raw_store();
            store.setValue(name, stored);
        }
        CSystemOption options;
        options.SetLogLimit(4);  // Load sets every number
        QCOMPARE(options.Load(), 1);
        QFETCH(int, index);
        QFETCH(qint64, loaded);
        QCOMPARE(numbers(options)[index], loaded);
        if (name != "LogLimit") QCOMPARE(options.GetLogLimit(), 2u);  // a missing number takes its default
        QVERIFY(!options.IsClean());  // Load leaves the mark as it was
    }

    void options_round_trip_and_save_writes_only_when_changed() {
        CSystemOption written;
        written.SetRestorceChoice(7);
        written.SetBackupKind(4);
        written.SetBackupOption(1792);
        written.SetLogLimit(5);
        written.SetAutoBackupDay(30);
        written.SetSegmentSize(700);
        written.AddFileExt(u".doc", u"Documents");
        written.AddFileExt(u".txt", u"Texts, notes");
        written.AddNewDest(u"/srv/backup", backup_destinations);
        written.AddNewDest(u"/home/ann/Restored here", restore_destinations);
        QCOMPARE(written.Save(), 1);
        QVERIFY(written.IsClean());
        QCOMPARE(written.ExistRegister(), 1);

        CSystemOption read;
        QCOMPARE(read.Load(), 1);
        QCOMPARE(numbers(read), (QList<qint64>{7, 4, 1792, 5, 30, 700}));
        QCOMPARE(read.GetFileExts(), written.GetFileExts());
        QCOMPARE(paths(read.GetDestHistory(backup_destinations)), QStringList{"/srv/backup"});
        QCOMPARE(paths(read.GetDestHistory(restore_destinations)), QStringList{"/home/ann/Restored here"});

        // Clean after Load: Save touches nothing, not even the file's time.
        const QByteArray before = store_bytes();
        QFile file(store_file());
        const QDateTime past = QDateTime::currentDateTime().addDays(-3);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(past, QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(read.Save(), 1);
        QCOMPARE(store_bytes(), before);
        QCOMPARE(QFileInfo(store_file()).lastModified(), past);

        // One change writes everything again.
        read.SetLogLimit(3);
        QCOMPARE(read.Save(), 1);
        QVERIFY(QFileInfo(store_file()).lastModified() > past);
        CSystemOption again;
        QCOMPARE(again.Load(), 1);
        QCOMPARE(numbers(again), (QList<qint64>{7, 4, 1792, 3, 30, 700}));
        QCOMPARE(again.GetFileExts(), written.GetFileExts());
    }

    void saving_replaces_the_stored_lists() {
        {
            QSettings store = raw_store();
            store.setValue("FileFilter/.old", "gone after saving");
        }
        CSystemOption options;
        options.AddFileExt(u".new", u"New");
        QCOMPARE(options.Save(), 1);
        CSystemOption read;
        read.Load();
        QCOMPARE(read.GetFileExts(), (std::vector<StringPair>{{u".new", u"New"}}));
    }

    void listing_stops_at_the_first_value_too_long() {
        {
            QSettings store = raw_store();
            store.setValue("FileFilter/.a", QString(127, 'a'));
            store.setValue("FileFilter/.b", QString(128, 'b'));
            store.setValue("FileFilter/.c", "c");
        }
        CSystemOption options;
        options.Load();
        QCOMPARE(options.GetFileExts(), (std::vector<StringPair>{{u".a", bk::String(127, u'a')}}));
    }

    void extensions_replace_by_exact_name_and_sort_by_it() {
        CSystemOption options;
        options.AddFileExt(u".txt", u"Texts");
        options.AddFileExt(u".doc", u"Word");
        options.AddFileExt(u".Doc", u"Capital");
        options.AddFileExt(u".doc", u"Documents");  // replaces, keeps its place
        QVERIFY(!options.IsClean());
        QCOMPARE(options.GetFileExts(),
                 (std::vector<StringPair>{{u".txt", u"Texts"}, {u".doc", u"Documents"}, {u".Doc", u"Capital"}}));
        options.FileExtsSort();
        QCOMPARE(options.GetFileExts(),
                 (std::vector<StringPair>{{u".Doc", u"Capital"}, {u".doc", u"Documents"}, {u".txt", u"Texts"}}));
    }

    void destinations_enter_the_history_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QStringList>("after");
        const QStringList five{"d:\\backup", "/b", "/c", "/d", "/e"};
        QTest::newRow("first") << QStringList{} << "/a" << QStringList{"/a"};
        QTest::newRow("new one is appended") << QStringList{"/a", "/b"} << "/c" << QStringList{"/a", "/b", "/c"};
        QTest::newRow("oldest of five moves up in its new spelling")
            << five << "D:\\Backup" << QStringList{"/b", "/c", "/d", "/e", "D:\\Backup"};
        QTest::newRow("middle one moves up") << five << "/C" << QStringList{"d:\\backup", "/b", "/d", "/e", "/C"};
        QTest::newRow("newest stays newest") << QStringList{"/a", "/b"} << "/b" << QStringList{"/a", "/b"};
        const QStringList eight{"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"};
        QTest::newRow("ninth drops the oldest") << eight << "/9" << (eight.mid(1) << "/9");
        QTest::newRow("known one in a full history") << eight << "/3"
                                                     << QStringList{"/1", "/2", "/4", "/5", "/6", "/7", "/8", "/3"};
    }
    void destinations_enter_the_history() {
        QFETCH(QStringList, before);
        QFETCH(QString, added);
        QFETCH(QStringList, after);
        for (const SaveKind kind : {backup_destinations, restore_destinations, 5}) {
            CSystemOption options;
            for (const QString& path : before) options.AddNewDest(from_qstring(path), kind);
            options.AddNewDest(from_qstring(added), kind);
            QVERIFY(!options.IsClean());
            QCOMPARE(paths(options.GetDestHistory(kind)), after);
            const SaveKind other = kind == backup_destinations ? restore_destinations : backup_destinations;
            QVERIFY(options.GetDestHistory(other).empty());
        }
    }

    void a_full_history_keeps_its_names() {
        CSystemOption options;
        for (int i = 1; i <= 9; ++i) options.AddNewDest(from_qstring(QString("/dest%1").arg(i)), backup_destinations);
        QCOMPARE(options.Save(), 1);
        QSettings store = raw_store();
        store.beginGroup("History/BackupDest");
        QStringList names = store.childKeys();
        QCOMPARE(names, (QStringList{"1", "2", "3", "4", "5", "6", "7", "8"}));
        QCOMPARE(store.value("1").toString(), QStringLiteral("/dest2"));
        QCOMPARE(store.value("8").toString(), QStringLiteral("/dest9"));
        store.endGroup();
        CSystemOption read;
        read.Load();
        QCOMPARE(paths(read.GetDestHistory(backup_destinations)).size(), 8);
        QCOMPARE(to_qstring(read.GetDestHistory(backup_destinations).front()), QStringLiteral("/dest2"));
    }

    void marks_and_string_values_are_written_at_once() {
        CSystemOption options;
        QCOMPARE(options.SetNeverShowValue(never_show::run_hidden, 0), 1);
        QCOMPARE(options.SetNeverShowValue(never_show::welcome_dialog, 0), 1);
        QVERIFY(options.IsClean());  // not part of what Save writes
        CSystemOption other;
        QCOMPARE(other.GetNeverShowValue(never_show::run_hidden), 0);
        QCOMPARE(other.GetNeverShowValue(never_show::grid_lines), 1);

        QCOMPARE(other.RemoveStartupInfo(), 1);
        QCOMPARE(options.GetNeverShowValue(never_show::welcome_dialog), 1);
        QCOMPARE(options.GetNeverShowValue(never_show::run_hidden), 0);
        QCOMPARE(other.RemoveStartupInfo(), 0);

        QCOMPARE(options.SetMaxReportCount(200), 1);
        QCOMPARE(other.GetMaxReportCount(), 200u);

        const bk::String longest(max_stored_text, u'x');
        QCOMPARE(options.SetStringValue(u"LastFolder", longest), 1);
        QCOMPARE(other.GetStringValue(u"LastFolder"), longest);
        QCOMPARE(options.SetStringValue(u"LastFolder", longest + u'x'), 1);
        QVERIFY(other.GetStringValue(u"LastFolder").empty());
        QCOMPARE(options.SetStringValue(u"Name", u"备份 = ;, \"quoted\""), 1);
        QCOMPARE(to_qstring(other.GetStringValue(u"Name")), QStringLiteral("备份 = ;, \"quoted\""));
    }

    void unregister_removes_every_option() {
        CSystemOption options;
        QCOMPARE(options.UnRegister(), 0);  // nothing stored
        options.SetNeverShowValue(never_show::floppy_warning, 0);
        options.AddNewDest(u"/srv", restore_destinations);
        options.Save();
        QCOMPARE(options.ExistRegister(), 1);
        QCOMPARE(options.UnRegister(), 1);
        QCOMPARE(options.ExistRegister(), 0);
        CSystemOption read;
        QCOMPARE(read.Load(), 0);
        QCOMPARE(read.GetNeverShowValue(never_show::floppy_warning), 1);
        QVERIFY(read.GetDestHistory(restore_destinations).empty());
    }

    void the_language_option_forces_the_gui_language() {
        CSystemOption options;
        for (const auto language : {uictl::UiLanguage::chinese, uictl::UiLanguage::english}) {
            QCOMPARE(options.SetUiLanguage(language), 1);
            options.ApplyUiLanguage();
            QCOMPARE(uictl::ui_language(), language);
        }
        options.SetUiLanguage(std::nullopt);
        QVERIFY(!options.GetUiLanguage());
        qputenv("LC_ALL", "zh_CN.UTF-8");
        options.ApplyUiLanguage();
        QCOMPARE(uictl::ui_language(), uictl::UiLanguage::chinese);
        qunsetenv("LC_ALL");
    }

    void the_core_takes_its_options_at_start_data() {
        QTest::addColumn<unsigned>("report_count");
        QTest::addColumn<unsigned>("reports_kept");
        QTest::newRow("missing") << 0u << 60u;
        QTest::newRow("too few") << 9u << 60u;
        QTest::newRow("fewest") << 10u << 10u;
        QTest::newRow("most") << 1024u << 1024u;
        QTest::newRow("too many") << 5000u << 60u;
    }
    void the_core_takes_its_options_at_start() {
        CSystemOption options;
        options.SetLogLimit(4);
        options.SetSegmentSize(700);
        options.SetAutoBackupDay(0);
        QFETCH(unsigned, report_count);
        if (report_count != 0) options.SetMaxReportCount(report_count);
        HandOptionsToCore(options);
        QCOMPARE(brim::LogManager::instance()->max_log_size(), 4u * 1048576u);
        QCOMPARE(brim::BackupItemManager::instance()->archive_segment(), qint64(700) * 1048576);
        QFETCH(unsigned, reports_kept);
        QCOMPARE(brim::BackupItemManager::instance()->max_report_count(), reports_kept);
    }
};

BRIM_QTEST_MAIN(SystemOptionTest)
#include "system_option_test.moc"
