// The extension filter: the extensions it takes, how a job's bits and list
// come in and go back, what the user's options learn, and the editor's
// buttons and add dialog under the offscreen platform.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "core/jobs/backup_item.h"
#include "job/backup_kinds.h"
#include "job/extension_filter_editor.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"
#include "uictl/ui_language.h"

using namespace job;
using uictl::to_qstring;

namespace {

template <typename T>
T* child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(name);
    if (found == nullptr) qFatal("no child %s", name);
    return found;
}

QStringList rows(QWidget& editor) {
    auto* list = child<QTreeWidget>(editor, "extensionList");
    QStringList out;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        out << list->topLevelItem(row)->text(0) + '=' + list->topLevelItem(row)->text(1);
    return out;
}

QStringList texts(const std::vector<bk::String>& list) {
    QStringList out;
    for (const auto& text : list) out << to_qstring(text);
    return out;
}

// What the add button's dialog answers next.
bk::String next_extension;
bk::String next_description;
bool answer_next(QWidget*, bk::String& extension, bk::String& description) {
    extension = next_extension;
    description = next_description;
    return true;
}

}  // namespace

class ExtensionFilterEditorTest : public QObject {
    Q_OBJECT
private slots:
    void init() { uictl::force_ui_language(uictl::UiLanguage::english); }
    void cleanup() { uictl::force_ui_language(std::nullopt); }

    void extensions_are_normalized_or_refused_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");  // empty: refused
        QTest::newRow("with its dot") << ".doc" << ".doc";
        QTest::newRow("without a dot") << "doc" << ".doc";
        QTest::newRow("a wildcard pattern") << "*.TXT" << ".TXT";
        QTest::newRow("blanks around") << "  .log\t" << ".log";
        QTest::newRow("non-ASCII") << QStringLiteral("文档") << QStringLiteral(".文档");
        QTest::newRow("empty") << "" << "";
        QTest::newRow("only a dot") << "." << "";
        QTest::newRow("only a star") << "*" << "";
        QTest::newRow("two dots: never a file's extension") << ".tar.gz" << "";
        QTest::newRow("a separator") << ".a/b" << "";
        QTest::newRow("a wildcard inside") << ".d?c" << "";
        QTest::newRow("a line break") << ".a\nb" << "";
    }
    void extensions_are_normalized_or_refused() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QCOMPARE(to_qstring(NormalizeExtension(typed.toStdU16String())), kept);
    }

    void a_job_filter_goes_back_into_the_job_data() {
        QTest::addColumn<uint>("bits");       // the job's filter bits before
        QTest::addColumn<bool>("used");       // as the filter reads them
        QTest::addColumn<bool>("exclude");
        QTest::addColumn<bool>("emptied");    // the user deleted every row
        QTest::addColumn<uint>("stored");     // the job's filter bits after
        QTest::newRow("exclude") << 0x4u << true << true << false << 0x4u;
        QTest::newRow("include") << 0x8u << true << false << false << 0x8u;
        QTest::newRow("both bits read as exclude") << 0xCu << true << true << false << 0x4u;
        QTest::newRow("off, with extensions left in the job") << 0x0u << false << true << false << 0x0u;
        QTest::newRow("on, with every row deleted") << 0x8u << true << false << true << 0x0u;
    }
    void a_job_filter_goes_back_into_the_job() {
        QFETCH(uint, bits);
        brim::BackupItem job;
        job.options = 0x20 | bits;
        job.extensions = {u".doc", u".xls", u".doc"};
        const ExtensionFilter filter = ExtensionFilter::of_job(job, {{u".xls", u"Sheets"}});
        QTEST(filter.used, "used");
        QTEST(filter.exclude, "exclude");
        QCOMPARE(filter.entries, (std::vector<StringPair>{{u".doc", u""}, {u".xls", u"Sheets"}}));

        ExtensionFilter edited = filter;
        QFETCH(bool, emptied);
        if (emptied) edited.entries.clear();
        edited.store_in(job);
        QFETCH(uint, stored);
        QCOMPARE(job.options, 0x20u | stored);
        const QStringList expected = stored != 0 ? QStringList{".doc", ".xls"} : QStringList{};
        QCOMPARE(texts(job.extensions), expected);
    }

    void adding_replaces_the_description_of_a_listed_extension() {
        ExtensionFilter filter;
        QVERIFY(filter.add(u"doc", u"Words"));
        QVERIFY(filter.add(u"*.doc", u"Documents"));
        QVERIFY(!filter.add(u"*", u"all"));
        QCOMPARE(filter.entries, (std::vector<StringPair>{{u".doc", u"Documents"}}));
    }

    void the_users_options_learn_the_listed_extensions() {
        CSystemOption options;
        options.AddFileExt(u".zip", u"Archives");
        ExtensionFilter filter;
        filter.entries = {{u".xls", u"Sheets"}, {u".doc", u"Documents"}, {u".zip", u"Packed"}};
        filter.record_in(options);
        QCOMPARE(options.GetFileExts(),
                 (std::vector<StringPair>{{u".doc", u"Documents"}, {u".xls", u"Sheets"}, {u".zip", u"Packed"}}));
    }

    void the_editor_shows_edits_and_stores_a_job_filter() {
        CSystemOption options;
        options.AddFileExt(u".doc", u"Documents");
        brim::BackupItem job;
        job.options = 0x8;
        job.extensions = {u".doc", u".tmp"};
        ExtensionFilterEditor editor(FilterTexts::for_sheet());
        editor.SetAskExtension(&answer_next);
        editor.LoadJob(job, options);
        editor.show();
        QVERIFY(child<QCheckBox>(editor, "useFilter")->isChecked());
        QVERIFY(child<QRadioButton>(editor, "includeExtensions")->isChecked());
        QCOMPARE(child<QRadioButton>(editor, "includeExtensions")->text(),
                 QStringLiteral("&Include only files with these extensions."));
        QCOMPARE(rows(editor), (QStringList{".doc=Documents", ".tmp="}));
        QVERIFY(!child<QPushButton>(editor, "removeExtension")->isEnabled());  // nothing selected

        next_extension = u"*.log";
        next_description = u"Logs";
        child<QPushButton>(editor, "addExtension")->click();
        QCOMPARE(rows(editor), (QStringList{".doc=Documents", ".tmp=", ".log=Logs"}));
        auto* list = child<QTreeWidget>(editor, "extensionList");
        list->clearSelection();
        list->topLevelItem(1)->setSelected(true);
        child<QPushButton>(editor, "removeExtension")->click();
        QCOMPARE(rows(editor), (QStringList{".doc=Documents", ".log=Logs"}));

        child<QRadioButton>(editor, "excludeExtensions")->click();
        editor.StoreJob(job, options);
        QCOMPARE(job.options, 0x4u);
        QCOMPARE(texts(job.extensions), (QStringList{".doc", ".log"}));
        QCOMPARE(to_qstring(FindVecPair(options.GetFileExts(), u".log")), QStringLiteral("Logs"));

        // Switched off, the controls under the check box rest and the job
        // loses its list.
        child<QCheckBox>(editor, "useFilter")->click();
        QVERIFY(!list->isEnabled());
        QVERIFY(!child<QPushButton>(editor, "addExtension")->isEnabled());
        editor.StoreJob(job, options);
        QCOMPARE(job.options, 0u);
        QVERIFY(job.extensions.empty());
    }

    void delete_all_empties_the_list() {
        CSystemOption options;
        options.AddFileExt(u".a", u"");
        options.AddFileExt(u".b", u"");
        ExtensionFilterEditor editor(FilterTexts::for_wizard());
        editor.LoadSystemExtensions(options);
        QVERIFY(!editor.Filter().used);
        QCOMPARE(rows(editor).size(), 2);
        child<QCheckBox>(editor, "useFilter")->click();
        QCOMPARE(child<QCheckBox>(editor, "useFilter")->text(), QStringLiteral("Use a &file filter on this backup job."));
        child<QPushButton>(editor, "removeAllExtensions")->click();
        QVERIFY(rows(editor).isEmpty());
        QVERIFY(!child<QPushButton>(editor, "removeAllExtensions")->isEnabled());
    }

    void the_add_dialog_refuses_what_is_no_extension() {
        uictl::MessageBoxSeam seam;
        int rounds = 0;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->objectName(), QStringLiteral("addExtensionDialog"));
            auto* extension = child<QLineEdit>(*dialog, "extension");
            extension->setText("*");
            child<QLineEdit>(*dialog, "description")->setText("Pictures");
            auto* ok = child<QPushButton>(*dialog, "ok");
            ok->click();
            rounds = 1;
            QVERIFY(dialog->isVisible());
            extension->setText(".png");
            ok->click();
            rounds = 2;
        });
        bk::String extension;
        bk::String description;
        QVERIFY(AskExtensionDialog(nullptr, extension, description));
        QCOMPARE(rounds, 2);
        QCOMPARE(to_qstring(extension), QStringLiteral(".png"));
        QCOMPARE(to_qstring(description), QStringLiteral("Pictures"));
        QCOMPARE(seam.shown().size(), std::size_t(1));
        QCOMPARE(to_qstring(seam.shown().front().text), QStringLiteral("Please enter a valid extension, such as \".doc\"."));
    }
};

BRIM_QTEST_MAIN(ExtensionFilterEditorTest)
#include "extension_filter_editor_test.moc"
