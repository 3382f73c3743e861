// The shared message box: what its flags show, the dialog under the
// offscreen platform, and the seam that answers boxes in advance.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/help_files.h"
#include "uictl/qt_text.h"
#include "uictl/ui_language.h"

using namespace uictl;

namespace {

// Runs `act` on the box once it is shown, from the event loop of its exec().
void when_box_shows(std::function<void(CBrimMessageDialog*)> act) {
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<CBrimMessageDialog*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        act(box);
    });
}

}  // namespace

class MessageBoxTest : public QObject {
    Q_OBJECT
private slots:
    void init() { force_ui_language(UiLanguage::english); }
    void cleanup() {
        force_ui_language(std::nullopt);
        set_help_opener({});
    }

    void layout_follows_the_flags_data() {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QList<int>>("buttons");
        QTest::addColumn<int>("default_button");
        QTest::addColumn<int>("escape_button");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("check");
        QTest::addColumn<bool>("help");
        QTest::addColumn<bool>("platform_box");
        namespace id = button_id;
        const int ok = id::ok, cancel = id::cancel, yes = id::yes, no = id::no;
        QTest::newRow("plain OK") << mb::ok << QList<int>{ok} << ok << ok << int(BoxIcon::none) << int(BoxCheck::none)
                                  << false << false;
        QTest::newRow("yes/no, default no, help")
            << (mb::yes_no | mb::icon_warning | mb::default_button2 | mb::help) << QList<int>{yes, no} << no << 0
            << int(BoxIcon::warning) << int(BoxCheck::none) << true << false;
        QTest::newRow("yes/no/cancel, apply to all")
            << (mb::yes_no_cancel | mb::icon_question | mb::apply_to_all_check) << QList<int>{yes, no, cancel} << yes
            << cancel << int(BoxIcon::question) << int(BoxCheck::apply_to_all) << false << false;
        QTest::newRow("ok/cancel, never show, third default falls back")
            << (mb::ok_cancel | mb::icon_information | mb::never_show_check | mb::default_button3)
            << QList<int>{ok, cancel} << ok << cancel << int(BoxIcon::information) << int(BoxCheck::never_show_again)
            << false << false;
        QTest::newRow("abort/retry/ignore") << (mb::abort_retry_ignore | mb::icon_error)
                                            << QList<int>{id::abort, id::retry, id::ignore} << id::abort << 0 << int(BoxIcon::error)
                                            << int(BoxCheck::none) << false << false;
        QTest::newRow("system-modal error is the platform's")
            << (mb::ok | mb::icon_error | mb::system_modal) << QList<int>{ok} << ok << ok << int(BoxIcon::error)
            << int(BoxCheck::none) << false << true;
        QTest::newRow("system-modal warning is ours")
            << (mb::ok | mb::icon_warning | mb::system_modal) << QList<int>{ok} << ok << ok << int(BoxIcon::warning)
            << int(BoxCheck::none) << false << false;
    }
    void layout_follows_the_flags() {
        QFETCH(int, flags);
        const MessageBoxLayout layout = layout_of_message_box(flags, u"Title");
        QFETCH(QList<int>, buttons);
        QCOMPARE(QList<int>(layout.buttons.begin(), layout.buttons.end()), buttons);
        QFETCH(int, default_button);
        QCOMPARE(layout.default_button, default_button);
        QFETCH(int, escape_button);
        QCOMPARE(layout.escape_button, escape_button);
        QFETCH(int, icon);
        QCOMPARE(int(layout.icon), icon);
        QFETCH(int, check);
        QCOMPARE(int(layout.check), check);
        QFETCH(bool, help);
        QCOMPARE(layout.help, help);
        QFETCH(bool, platform_box);
        QCOMPARE(layout.platform_box, platform_box);
    }

    void an_empty_title_shows_the_product_name() {
        QString title;
        when_box_shows([&](CBrimMessageDialog* box) {
            title = box->windowTitle();
            box->findChild<QPushButton*>("button1")->click();
        });
        QCOMPARE(BrimMessageBox(u"Saved.", u"", mb::ok), button_id::ok);
        QCOMPARE(title, QStringLiteral("Orvex Brimvault"));
        when_box_shows([&](CBrimMessageDialog* box) {
            title = box->windowTitle();
            box->accept();
        });
        BrimMessageBox(u"Saved.", nullptr, mb::ok);
        QCOMPARE(title, QStringLiteral("Orvex Brimvault"));
    }

    void the_check_box_state_comes_back_with_the_button() {
        for (const bool tick : {true, false}) {
            when_box_shows([tick](CBrimMessageDialog* box) {
                QCOMPARE(box->findChild<QCheckBox*>("check")->text(), QStringLiteral("Don't show this message again."));
                if (tick) QTest::mouseClick(box->findChild<QCheckBox*>("check"), Qt::LeftButton);
                box->findChild<QPushButton*>("button7")->click();
            });
            int state = -1;
            QCOMPARE(BrimMessageBox(u"Replace?", u"Job", mb::yes_no | mb::never_show_check, &state), button_id::no);
            QCOMPARE(state, tick ? 1 : 0);
        }
    }

    void escape_answers_cancel_and_does_nothing_without_one() {
        when_box_shows([](CBrimMessageDialog* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(BrimMessageBox(u"Go on?", u"", mb::yes_no_cancel), button_id::cancel);

        when_box_shows([](CBrimMessageDialog* box) {
            QTest::keyClick(box, Qt::Key_Escape);
            QVERIFY(box->isVisible());
            box->findChild<QPushButton*>("button6")->click();
        });
        QCOMPARE(BrimMessageBox(u"Go on?", u"", mb::yes_no), button_id::yes);
    }

    void help_opens_the_page_of_its_context_and_keeps_the_box() {
        QList<QUrl> opened;
        set_help_opener([&](const QUrl& url) { opened << url; });
        when_box_shows([](CBrimMessageDialog* box) {
            box->findChild<QPushButton*>("helpButton")->click();
            QVERIFY(box->isVisible());
            box->findChild<QPushButton*>("button1")->click();
        });
        QCOMPARE(BrimMessageBox(u"Cannot open.", u"", mb::ok | mb::icon_error | mb::help, nullptr, 1010),
                 button_id::ok);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.front().toLocalFile(), help_page_for_context(1010));
        QVERIFY2(opened.front().toLocalFile().endsWith("/en/1010.html"), qPrintable(opened.front().toLocalFile()));
    }

    void button_texts_follow_the_language() {
        force_ui_language(UiLanguage::chinese);
        QStringList texts;
        when_box_shows([&](CBrimMessageDialog* box) {
            for (const char* name : {"button6", "button7", "button2", "helpButton"}) {
                texts << box->findChild<QPushButton*>(name)->text();
            }
            box->reject();
        });
        BrimMessageBox(u"继续？", u"", mb::yes_no_cancel | mb::help);
        QCOMPARE(texts, (QStringList{"是(&Y)", "否(&N)", "取消(&C)", "帮助(&H)"}));
    }

    void pictures() {
        struct Variant {
            const char* name;
            const char16_t* english;
            const char16_t* chinese;
            int flags;
        };
        const Variant variants[] = {
            {"information", u"The job was saved.", u"任务已保存.", mb::ok | mb::icon_information},
            {"question-never-show", u"Switch the job to append mode?\n(job \"Photos\")",
             u"要将任务切换为追加模式吗？\n(任务“Photos”)", mb::yes_no | mb::icon_question | mb::never_show_check},
            {"warning-help",
             u"The backup set on the destination is not blank and was created by another program.\nContinue?",
             u"目的地所在的备份集非空,且是由其它程序所创建.Orvex Brimvault 将清空整个备份集的内容.\n(任务“Photos”)\n\n"
             u"您是否想继续？",
             mb::yes_no | mb::icon_warning | mb::help | mb::default_button2},
            {"error-apply-to-all", u"Cannot delete the job's password.\n(job \"Photos\")",
             u"Orvex Brimvault 不能删除该任务密码.\n(任务“Photos”)",
             mb::abort_retry_ignore | mb::icon_error | mb::apply_to_all_check},
        };
        for (const UiLanguage language : {UiLanguage::english, UiLanguage::chinese}) {
            force_ui_language(language);
            const bool chinese = language == UiLanguage::chinese;
            for (const Variant& variant : variants) {
                CBrimMessageDialog box(nullptr, chinese ? variant.chinese : variant.english,
                                       layout_of_message_box(variant.flags, u""), 1008);
                brim_test::save_picture(&box, QString("message-box-%1-%2").arg(variant.name, chinese ? "zh" : "en"));
            }
        }
    }

    void the_seam_answers_in_order_and_records_every_box() {
        MessageBoxSeam seam;
        seam.answer_next(button_id::no);
        seam.answer_next(button_id::yes, 1);
        int state = -1;
        QCOMPARE(BrimMessageBox(u"first", u"", mb::yes_no, nullptr, 1008), button_id::no);
        QCOMPARE(BrimMessageBox(u"second", u"T", mb::yes_no | mb::apply_to_all_check, &state), button_id::yes);
        QCOMPARE(state, 1);
        // Out of answers: the escape button, never a dialog that waits.
        QCOMPARE(BrimMessageBox(u"third", u"", mb::ok_cancel), button_id::cancel);
        QCOMPARE(seam.pending(), std::size_t{0});
        const auto& shown = seam.shown();
        QCOMPARE(shown.size(), std::size_t{3});
        QCOMPARE(to_qstring(shown[0].text), QStringLiteral("first"));
        QCOMPARE(to_qstring(shown[0].title), QStringLiteral("Orvex Brimvault"));
        QCOMPARE(shown[0].help_context, 1008);
        QCOMPARE(to_qstring(shown[1].title), QStringLiteral("T"));
        QCOMPARE(shown[1].flags, mb::yes_no | mb::apply_to_all_check);
        QCOMPARE(shown[2].button, button_id::cancel);
    }
};

BRIM_QTEST_MAIN(MessageBoxTest)
#include "message_box_test.moc"
