// The combination rule: the form's checks and the rule it makes, and the
// dialog under the offscreen platform, with its pictures in both languages.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include "job/combine_rule_dialog.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"
#include "uictl/ui_language.h"

using namespace job;
using uictl::to_qstring;

Q_DECLARE_METATYPE(job::BakKindCombineTrigger)

namespace {

BakKindCombineTrigger rule_of(BakKindCombineTrigger::Kind kind, int value, std::int16_t weeks = 0,
                              std::uint16_t days = 0) {
    BakKindCombineTrigger rule;
    rule.kind = kind;
    rule.value = value;
    rule.interval = weeks;
    rule.days_of_week = days;
    return rule;
}

template <typename T>
T* child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(name);
    if (found == nullptr) qFatal("no child %s", name);
    return found;
}

void enter(QWidget& dialog, const char* field, const QString& text) {
    auto* edit = child<QLineEdit>(dialog, field);
    edit->clear();
    QTest::keyClicks(edit, text);
}

}  // namespace

class CombineRuleDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init() { uictl::force_ui_language(uictl::UiLanguage::english); }
    void cleanup() { uictl::force_ui_language(std::nullopt); }

    void the_form_checks_the_field_of_its_type_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("fault");  // 0: none
        QTest::newRow("count 0") << int(RuleChoice::fixed_interval) << 0 << 3097;
        QTest::newRow("count 1") << int(RuleChoice::fixed_interval) << 1 << 0;
        QTest::newRow("count 10000") << int(RuleChoice::fixed_interval) << 10000 << 0;
        QTest::newRow("count 10001") << int(RuleChoice::fixed_interval) << 10001 << 3097;
        QTest::newRow("weeks 0") << int(RuleChoice::weekly) << 0 << 3098;
        QTest::newRow("weeks 5000") << int(RuleChoice::weekly) << 5000 << 0;
        QTest::newRow("weeks 5001") << int(RuleChoice::weekly) << 5001 << 3098;
        QTest::newRow("day 0") << int(RuleChoice::monthly) << 0 << 3099;
        QTest::newRow("day 31") << int(RuleChoice::monthly) << 31 << 0;
        QTest::newRow("day 32") << int(RuleChoice::monthly) << 32 << 3099;
        QTest::newRow("never asks nothing") << int(RuleChoice::never) << -5 << 0;
    }
    void the_form_checks_the_field_of_its_type() {
        QFETCH(int, choice);
        QFETCH(int, value);
        QFETCH(int, fault);
        CombineRuleForm form(nullptr);
        form.choice = RuleChoice(choice);
        // Every field holds the value: only the chosen type's is checked.
        form.count = form.weeks = form.day = value;
        const auto found = form.fault();
        QCOMPARE(found ? int(found->text_id) : 0, fault);
        uictl::MessageBoxSeam seam;
        QCOMPARE(form.Check(), fault == 0);
        QCOMPARE(seam.shown().size(), std::size_t(fault == 0 ? 0 : 1));
    }

    void the_fault_is_a_warning_in_the_gui_language() {
        CombineRuleForm form(nullptr);
        form.choice = RuleChoice::weekly;
        form.weeks = 6000;
        uictl::MessageBoxSeam seam;
        QVERIFY(!form.Check());
        QCOMPARE(seam.shown().front().flags & mb::icon_mask, mb::icon_warning);
        uictl::force_ui_language(uictl::UiLanguage::chinese);
        QVERIFY(!form.Check());
        QCOMPARE(to_qstring(seam.shown().back().text), QStringLiteral("周的间隔数必须界于 1 周到 5000 周之间."));
    }

    void rules_come_back_as_they_went_in_data() {
        QTest::addColumn<BakKindCombineTrigger>("rule");
        using Kind = BakKindCombineTrigger::Kind;
        QTest::newRow("every 7 runs") << rule_of(Kind::count, 7);
        QTest::newRow("every 3 weeks on Tuesday and Saturday") << rule_of(Kind::weekly, 0, 3, 0x04 | 0x40);
        QTest::newRow("day 28") << rule_of(Kind::monthly, 28);
    }
    void rules_come_back_as_they_went_in() {
        QFETCH(BakKindCombineTrigger, rule);
        const CombineRuleForm form(&rule);
        QCOMPARE(form.choice, RuleChoice(int(rule.kind)));
        QVERIFY(!form.fault());
        const auto made = form.rule();
        QVERIFY(made != nullptr);
        QCOMPARE(*made, rule);
    }

    void no_rule_is_never_and_a_new_weekly_rule_starts_on_sunday() {
        CombineRuleForm form(nullptr);
        QCOMPARE(form.choice, RuleChoice::never);
        QVERIFY(form.rule() == nullptr);
        form.choice = RuleChoice::weekly;
        const auto made = form.rule();
        QCOMPARE(made->interval, std::int16_t(1));
        QCOMPARE(made->days_of_week, std::uint16_t(0x01));
    }

    void the_dialog_shows_the_rule_and_its_types() {
        const auto rule = rule_of(BakKindCombineTrigger::Kind::weekly, 0, 2, 0x02 | 0x20);
        CCombineRuleDialog dialog(nullptr, BackupKind::increment, &rule);
        auto* type = child<QComboBox>(dialog, "type");
        QCOMPARE(type->count(), 4);
        QCOMPARE(type->itemText(0), QStringLiteral("At a fixed interval"));
        QCOMPARE(type->itemText(3), QStringLiteral("Never"));
        QCOMPARE(type->currentIndex(), int(RuleChoice::weekly));
        QCOMPARE(child<QStackedWidget>(dialog, "pages")->currentIndex(), int(RuleChoice::weekly));
        QCOMPARE(child<QLineEdit>(dialog, "weeks")->text(), QStringLiteral("2"));
        for (int day = 0; day < 7; ++day)
            QCOMPARE(child<QCheckBox>(dialog, qPrintable(QString("day%1").arg(day)))->isChecked(), day == 1 || day == 5);
        type->setCurrentIndex(int(RuleChoice::monthly));
        QCOMPARE(child<QStackedWidget>(dialog, "pages")->currentIndex(), int(RuleChoice::monthly));
    }

    void ok_refuses_a_field_out_of_range_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("good");
        QTest::addColumn<QString>("message");
        QTest::newRow("count") << int(RuleChoice::fixed_interval) << "count" << "0" << "12"
                               << "The number of runs of a fixed interval must lie between 1 and 10000.";
        QTest::newRow("weeks") << int(RuleChoice::weekly) << "weeks" << "5001" << "4"
                               << "The interval in weeks must lie between 1 and 5000 weeks.";
        QTest::newRow("day, empty") << int(RuleChoice::monthly) << "day" << "" << "31"
                                    << "The day of the month must lie between 1 and 31.";
    }
    void ok_refuses_a_field_out_of_range() {
        CCombineRuleDialog dialog(nullptr, BackupKind::increment, nullptr);
        dialog.show();
        QFETCH(int, choice);
        child<QComboBox>(dialog, "type")->setCurrentIndex(choice);
        QFETCH(QString, field);
        QFETCH(QString, bad);
        enter(dialog, qPrintable(field), bad);
        uictl::MessageBoxSeam seam;
        child<QPushButton>(dialog, "ok")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.isVisible());
        QCOMPARE(seam.shown().size(), std::size_t(1));
        QFETCH(QString, message);
        QCOMPARE(to_qstring(seam.shown().front().text), message);

        QFETCH(QString, good);
        enter(dialog, qPrintable(field), good);
        child<QPushButton>(dialog, "ok")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(seam.shown().size(), std::size_t(1));
        const auto rule = dialog.rule();
        QVERIFY(rule != nullptr);
        QCOMPARE(int(rule->kind), choice);
        const int value = choice == int(RuleChoice::weekly) ? rule->interval : rule->value;
        QCOMPARE(value, good.toInt());
    }

    void never_gives_no_rule() {
        const auto rule = rule_of(BakKindCombineTrigger::Kind::count, 5);
        CCombineRuleDialog dialog(nullptr, BackupKind::increment_copy, &rule);
        dialog.show();
        child<QComboBox>(dialog, "type")->setCurrentIndex(int(RuleChoice::never));
        enter(dialog, "count", "0");  // the count is not asked for any more
        uictl::MessageBoxSeam seam;
        child<QPushButton>(dialog, "ok")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(seam.shown().empty());
        QVERIFY(dialog.rule() == nullptr);
    }

    void pictures_of_each_type_in_both_languages() {
        const std::pair<RuleChoice, const char*> types[]{{RuleChoice::fixed_interval, "interval"},
                                                          {RuleChoice::weekly, "weekly"},
                                                          {RuleChoice::monthly, "monthly"},
                                                          {RuleChoice::never, "never"}};
        for (const auto language : {uictl::UiLanguage::english, uictl::UiLanguage::chinese}) {
            uictl::force_ui_language(language);
            const QString tag = language == uictl::UiLanguage::english ? "en" : "zh";
            for (const auto& [choice, name] : types) {
                const auto rule = rule_of(BakKindCombineTrigger::Kind::weekly, 0, 1, 0x01);
                CCombineRuleDialog dialog(nullptr, BackupKind::increment, &rule);
                child<QComboBox>(dialog, "type")->setCurrentIndex(int(choice));
                brim_test::save_picture(&dialog, QString("combine_rule_%1_%2").arg(name, tag));
            }
        }
    }
};

BRIM_QTEST_MAIN(CombineRuleDialogTest)
#include "combine_rule_dialog_test.moc"
