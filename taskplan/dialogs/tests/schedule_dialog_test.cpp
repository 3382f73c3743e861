// The schedule editor and the planner's questions in the GUI.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "taskplan/dialogs/gui_task_dialogs.h"
#include "taskplan/dialogs/schedule_dialog.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"
#include "uictl/ui_language.h"

using namespace taskplan;

class ScheduleDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init() { uictl::force_ui_language(uictl::UiLanguage::english); }
    void cleanup() { uictl::force_ui_language(std::nullopt); }

    void the_form_is_checked_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("weekdays");
        QTest::addColumn<QString>("month_days");
        QTest::addColumn<int>("problem");
        using P = ScheduleForm::Problem;
        QTest::newRow("daily") << int(ScheduleKind::daily) << 1 << 0 << "" << int(P::none);
        QTest::newRow("daily, interval 0") << int(ScheduleKind::daily) << 0 << 0 << "" << int(P::bad_interval);
        QTest::newRow("weekly, no day") << int(ScheduleKind::weekly) << 1 << 0 << "" << int(P::no_weekday);
        QTest::newRow("weekly, Monday") << int(ScheduleKind::weekly) << 2 << 0x02 << "" << int(P::none);
        QTest::newRow("monthly 1,15") << int(ScheduleKind::monthly) << 1 << 0 << "1, 15" << int(P::none);
        QTest::newRow("monthly 32") << int(ScheduleKind::monthly) << 1 << 0 << "1,32" << int(P::bad_month_days);
        QTest::newRow("monthly empty") << int(ScheduleKind::monthly) << 1 << 0 << "" << int(P::bad_month_days);
        QTest::newRow("monthly words") << int(ScheduleKind::monthly) << 1 << 0 << "first" << int(P::bad_month_days);
        QTest::newRow("once ignores the interval") << int(ScheduleKind::once) << 0 << 0 << "" << int(P::none);
    }
    void the_form_is_checked() {
        QFETCH(int, kind);
        QFETCH(int, interval);
        QFETCH(int, weekdays);
        QFETCH(QString, month_days);
        QFETCH(int, problem);
        ScheduleForm form;
        form.kind = static_cast<ScheduleKind>(kind);
        form.interval = interval;
        form.weekdays = static_cast<std::uint16_t>(weekdays);
        form.month_days = month_days.toStdString();
        QCOMPARE(int(form.check()), problem);
    }

    void a_trigger_comes_back_from_its_form() {
        ScheduleTrigger monthly;
        monthly.type = TriggerType::monthly_date;
        monthly.begin = {2027, 3, 4};
        monthly.hour = 6;
        monthly.minute = 30;
        monthly.month_days = 1u | (1u << 14);
        const ScheduleForm form = ScheduleForm::of(monthly, false);
        QCOMPARE(QString::fromStdString(form.month_days), QStringLiteral("1,15"));
        QVERIFY(!form.catch_up);
        QVERIFY(form.trigger() == monthly);
    }

    void ok_keeps_the_editor_open_until_the_form_passes() {
        uictl::MessageBoxSeam seam;
        ScheduleForm start;
        start.day = {2027, 1, 4};
        CScheduleDialog dialog(nullptr, start, "Photos");
        dialog.findChild<QComboBox*>("kind")->setCurrentIndex(int(ScheduleKind::weekly));
        dialog.findChild<QCheckBox*>("weekday1")->setChecked(false);
        dialog.show();
        dialog.findChild<QPushButton*>("ok")->click();
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QCOMPARE(uictl::to_qstring(seam.shown()[0].text), QStringLiteral("Tick at least one day of the week."));
        QVERIFY(dialog.isVisible());
        dialog.findChild<QCheckBox*>("weekday4")->setChecked(true);
        dialog.findChild<QSpinBox*>("interval")->setValue(2);
        dialog.findChild<QPushButton*>("ok")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const ScheduleTrigger chosen = dialog.form().trigger();
        QCOMPARE(chosen.type, TriggerType::weekly);
        QCOMPARE(int(chosen.weekdays), int(weekday_bit::thursday));
        QCOMPARE(chosen.interval, 2);
        QCOMPARE(chosen.hour, 21);
    }

    void the_planners_questions_are_message_boxes() {
        uictl::MessageBoxSeam seam;
        seam.answer_next(button_id::yes);
        seam.answer_next(button_id::ok);
        seam.answer_next(button_id::ok);
        seam.answer_next(button_id::no);
        CGuiTaskDialogs dialogs;
        QVERIFY(dialogs.ask_to_start_scheduler());
        dialogs.scheduler_start_failed(5);
        QVERIFY(dialogs.confirm_account(u"ann"));
        QVERIFY(!dialogs.ask_for_later_start());
        const auto& shown = seam.shown();
        QCOMPARE(shown.size(), std::size_t{4});
        QCOMPARE(uictl::to_qstring(shown[0].title), QStringLiteral("Scheduling Error"));
        QVERIFY(uictl::to_qstring(shown[1].text).contains("systemctl enable --now cron"));
        QVERIFY(uictl::to_qstring(shown[2].text).contains("the user ann"));
        QVERIFY(uictl::to_qstring(shown[3].text).startsWith("The starting date and time are set earlier"));
    }

    void pictures() {
        for (const auto language : {uictl::UiLanguage::english, uictl::UiLanguage::chinese}) {
            uictl::force_ui_language(language);
            const QString suffix = language == uictl::UiLanguage::chinese ? "zh" : "en";
            for (const auto& [kind, name] : {std::pair{ScheduleKind::weekly, "weekly"},
                                             std::pair{ScheduleKind::monthly, "monthly"}}) {
                ScheduleForm form;
                form.kind = kind;
                form.day = {2026, 12, 10};
                form.weekdays = weekday_bit::monday | weekday_bit::thursday;
                form.month_days = "1,15";
                CScheduleDialog dialog(nullptr, form, "Photos");
                brim_test::save_picture(&dialog, QString("schedule_%1_%2").arg(name, suffix));
            }
        }
    }
};

BRIM_QTEST_MAIN(ScheduleDialogTest)
#include "schedule_dialog_test.moc"
