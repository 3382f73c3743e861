// The security kinds of a job as the combo boxes offer them, and the checks
// of a typed password with its confirmation.
#include <QComboBox>
#include <QtTest>

#include "job/job_strings.h"
#include "job/security_choice.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"
#include "uictl/ui_language.h"

using namespace job;
using uictl::to_qstring;

class SecurityChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void init() { uictl::force_ui_language(uictl::UiLanguage::english); }
    void cleanup() { uictl::force_ui_language(std::nullopt); }

    void each_entry_gives_its_bits_and_shows_them_again_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("bits");
        QTest::newRow("none") << 0 << "None" << 0u;
        QTest::newRow("password only") << 1 << "Password protection (files not enciphered)" << 0x800u;
        QTest::newRow("xor") << 2 << "Insecure XOR" << 0x400u;
        QTest::newRow("panama") << 3 << "Fast stream cipher" << 0x500u;
        QTest::newRow("rijndael") << 4 << "Advanced Encryption Standard (AES)" << 0x600u;
    }
    void each_entry_gives_its_bits_and_shows_them_again() {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(uint, bits);
        QComboBox box;
        box.addItem("left over");
        InitSecurityKinds(box);
        QCOMPARE(box.count(), security_kind_count);
        QCOMPARE(box.itemText(index), text);
        QCOMPARE(box.itemData(index).toUInt(), bits);
        QCOMPARE(SecurityBitsAt(index), std::uint32_t(bits));
        // A job's other option bits do not change the entry that shows it.
        QCOMPARE(SecurityIndexOf(bits | 0x20071u), index);
    }

    void a_cipher_with_the_password_bit_shows_as_the_cipher() {
        QCOMPARE(SecurityIndexOf(0x800 | 0x600), 4);
        QCOMPARE(SecurityIndexOf(0x800 | 0x400), 2);
        QCOMPARE(SecurityBitsAt(-1), 0u);
        QCOMPARE(SecurityBitsAt(security_kind_count), 0u);
    }

    void passwords_are_checked_for_match_then_length_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<uint>("fault");
        QTest::newRow("3 characters") << "abc" << "abc" << 3019u;
        QTest::newRow("4 characters") << "abcd" << "abcd" << 0u;
        QTest::newRow("32 characters") << QString(32, 'x') << QString(32, 'x') << 0u;
        QTest::newRow("33 characters") << QString(33, 'x') << QString(33, 'x') << 3019u;
        QTest::newRow("empty") << "" << "" << 3019u;
        QTest::newRow("letter case differs") << "Secret" << "secret" << 3025u;
        QTest::newRow("mismatch told before length") << "ab" << "abc" << 3025u;
        QTest::newRow("4 Chinese characters") << QStringLiteral("密码密码") << QStringLiteral("密码密码") << 0u;
    }
    void passwords_are_checked_for_match_then_length() {
        QFETCH(QString, password);
        QFETCH(QString, confirmation);
        QFETCH(uint, fault);
        QCOMPARE(CheckPasswordPair(password.toStdU16String(), confirmation.toStdU16String()), std::uint32_t(fault));
    }

    void a_fault_is_a_warning_titled_password_error() {
        uictl::MessageBoxSeam seam;
        ShowPasswordFault(text_id::password_length);
        uictl::force_ui_language(uictl::UiLanguage::chinese);
        ShowPasswordFault(text_id::password_mismatch);
        QCOMPARE(seam.shown().size(), std::size_t(2));
        QCOMPARE(to_qstring(seam.shown()[0].title), QStringLiteral("Password Error"));
        QCOMPARE(to_qstring(seam.shown()[0].text), QStringLiteral("The password must be between 4 and 32 characters long."));
        QCOMPARE(seam.shown()[0].flags & mb::icon_mask, mb::icon_warning);
        QCOMPARE(to_qstring(seam.shown()[1].title), QStringLiteral("密码错误"));
        QVERIFY(to_qstring(seam.shown()[1].text).startsWith(QStringLiteral("您的密码不相匹配")));
    }
};

BRIM_QTEST_MAIN(SecurityChoiceTest)
#include "security_choice_test.moc"
