#pragma once
// The schedule editor: a thin view over a ScheduleForm. OK checks the form
// (a message box says what is wrong) and closes only when it passes.
#include <array>

#include <QDialog>

#include "taskplan/schedule_form.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTimeEdit;
class QWidget;

namespace taskplan {

class CScheduleDialog final : public QDialog {
    Q_OBJECT
public:
    CScheduleDialog(QWidget* parent, const ScheduleForm& form, const QString& caption);

    // The form as the widgets hold it now.
    ScheduleForm form() const;
    void accept() override;

private:
    void show_kind();

    QComboBox* kind_;
    QDateEdit* date_;
    QTimeEdit* time_;
    QSpinBox* interval_;
    QLabel* interval_unit_;
    QWidget* interval_row_;
    QWidget* weekdays_row_;
    std::array<QCheckBox*, 7> weekdays_{};
    QWidget* month_days_row_;
    QLineEdit* month_days_;
    QCheckBox* catch_up_;
};

}  // namespace taskplan
