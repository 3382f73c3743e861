// The shared helpers: sizes as text, error texts, the language choice, the
// help pages and the folder chooser.
#include <QFileInfo>
#include <QtTest>

#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/byte_to_string.h"
#include "uictl/directory_dialog.h"
#include "uictl/help_files.h"
#include "uictl/qt_text.h"
#include "uictl/system_messages.h"
#include "uictl/ui_language.h"
#include "uictl/uictl_strings.h"

using namespace uictl;

class SharedHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void init() { force_ui_language(UiLanguage::english); }
    void cleanup() {
        force_ui_language(std::nullopt);
        set_directory_chooser({});
        set_network_provider_error(u"");
    }

    void byte_to_string_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("result");
        QTest::newRow("zero") << qint64(0) << 64 << "0 bytes" << 8;
        QTest::newRow("largest in bytes") << qint64(1023) << 64 << "1023 bytes" << 11;
        QTest::newRow("one KB") << qint64(1024) << 64 << "1.00 KB" << 8;
        QTest::newRow("one and a half MB") << qint64(1572864) << 64 << "1.50 MB" << 8;
        QTest::newRow("GB") << qint64(5) * 1024 * 1024 * 1024 << 64 << "5.00 GB" << 8;
        QTest::newRow("PB stays in TB") << qint64(2048) * 1024 * 1024 * 1024 * 1024 << 64 << "2048.00 TB" << 11;
        QTest::newRow("buffer of five") << qint64(1024) << 5 << "1.00" << 5;
        QTest::newRow("buffer of one") << qint64(1024) << 1 << "" << 1;
    }
    void byte_to_string() {
        QFETCH(qint64, size);
        QFETCH(int, length);
        std::u16string buffer(static_cast<std::size_t>(length) + 4, u'#');
        QFETCH(int, result);
        QCOMPARE(ByteToString(size, buffer.data(), length), result);
        QFETCH(QString, text);
        QCOMPARE(QString::fromUtf16(buffer.c_str()), text);
    }

    void error_texts() {
        QCOMPARE(to_qstring(ErrorToString(2)), QStringLiteral("No such file or directory"));
        QCOMPARE(to_qstring(ErrorToString(112)), QStringLiteral("No space left on device"));
        // Entry 615 takes the error's text and the name.
        QCOMPARE(to_qstring(GetFldError(text_id::logon_failed, 5, u"\\\\nas\\media")),
                 QStringLiteral("Cannot connect to the network share: Permission denied\n(\\\\nas\\media)"));
        // An extended network error has the provider's text, or "unknown".
        QCOMPARE(to_qstring(GetFldError(text_id::logon_failed, extended_network_error, u"nas")),
                 QStringLiteral("Cannot connect to the network share: Unknown error.\n(nas)"));
        set_network_provider_error(u"Password rejected");
        QCOMPARE(to_qstring(GetFldError(text_id::logon_failed, extended_network_error, u"nas")),
                 QStringLiteral("Cannot connect to the network share: Password rejected\n(nas)"));
    }

    void system_error_and_out_of_memory_boxes() {
        MessageBoxSeam seam;
        ShowSystemError(0);
        ShowSystemError(5);
        force_ui_language(UiLanguage::chinese);
        BrimOutOfMemory();
        QCOMPARE(seam.shown().size(), std::size_t{2});
        QCOMPARE(to_qstring(seam.shown()[0].text), QStringLiteral("Permission denied"));
        QCOMPARE(seam.shown()[0].flags & mb::icon_mask, mb::icon_error);
        QCOMPARE(to_qstring(seam.shown()[1].text), QStringLiteral("系统内存不足,请关闭部分应用程序."));
        QCOMPARE(to_qstring(seam.shown()[1].title), QStringLiteral("Orvex Brimvault"));
    }

    void the_locale_chooses_the_language_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("chinese");
        QTest::newRow("zh_CN.UTF-8") << "zh_CN.UTF-8" << true;
        QTest::newRow("zh_TW") << "zh_TW" << true;
        QTest::newRow("zh") << "zh" << true;
        QTest::newRow("en_US.UTF-8") << "en_US.UTF-8" << false;
        QTest::newRow("C") << "C" << false;
        QTest::newRow("zha (another language)") << "zha_CN" << false;
        QTest::newRow("empty") << "" << false;
    }
    void the_locale_chooses_the_language() {
        QFETCH(QString, locale);
        const std::string name = locale.toStdString();
        QFETCH(bool, chinese);
        QCOMPARE(language_of_locale(name) == UiLanguage::chinese, chinese);
    }

    void the_environment_is_read_like_the_c_library() {
        const QByteArray saved[] = {qgetenv("LC_ALL"), qgetenv("LC_MESSAGES"), qgetenv("LANG")};
        qputenv("LC_ALL", "");
        qputenv("LC_MESSAGES", "zh_CN.UTF-8");
        qputenv("LANG", "en_GB.UTF-8");
        QCOMPARE(language_of_environment(), UiLanguage::chinese);
        qputenv("LC_ALL", "C.UTF-8");
        QCOMPARE(language_of_environment(), UiLanguage::english);
        force_ui_language(std::nullopt);
        QCOMPARE(ui_language(), UiLanguage::english);
        force_ui_language(UiLanguage::chinese);
        QCOMPARE(ui_language(), UiLanguage::chinese);
        qputenv("LC_ALL", saved[0]);
        qputenv("LC_MESSAGES", saved[1]);
        qputenv("LANG", saved[2]);
    }

    void every_entry_has_both_languages() {
        const auto& strings = uictl_strings();
        for (std::uint32_t id = 0; id < 1000; ++id) {
            const bool chinese = strings.table(UiLanguage::chinese).find(id) != nullptr;
            const bool english = strings.table(UiLanguage::english).find(id) != nullptr;
            QVERIFY2(chinese == english, qPrintable(QString("entry %1").arg(id)));
        }
    }

    void help_pages_are_installed_per_language() {
        for (const UiLanguage language : {UiLanguage::english, UiLanguage::chinese}) {
            force_ui_language(language);
            const QString home = to_qstring(GetHelpFileName());
            QVERIFY2(QFileInfo::exists(home), qPrintable(home));
            QCOMPARE(help_page_for_context(no_help_context), home);
            QCOMPARE(help_page_for_context(987654), home);
            const QString page = help_page_for_context(1017);
            QVERIFY2(QFileInfo::exists(page) && page != home, qPrintable(page));
        }
    }

    void the_folder_chooser_starts_where_it_can() {
        QStringList starts;
        QString answer = "/srv/backup";
        set_directory_chooser([&](const QString&, const QString& start) {
            starts << start;
            return answer;
        });
        bk::String chosen;
        QCOMPARE(ShowDirectoryDlg(nullptr, u"/home/ann", chosen), 1);
        QCOMPARE(to_qstring(chosen), QStringLiteral("/srv/backup"));
        QCOMPARE(ShowDirectoryDlg(nullptr, u"\\\\nas\\media", chosen), 1);
        QCOMPARE(ShowDirectoryDlg(nullptr, u"smb://nas/media", chosen), 1);
        QCOMPARE(starts, (QStringList{"/home/ann", "", ""}));
        answer.clear();
        chosen = u"kept";
        QCOMPARE(ShowDirectoryDlg(nullptr, u"/home/ann", chosen), 0);
        QCOMPARE(to_qstring(chosen), QStringLiteral("kept"));
    }
};

BRIM_QTEST_MAIN(SharedHelpersTest)
#include "shared_helpers_test.moc"
