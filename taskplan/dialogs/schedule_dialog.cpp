#include "taskplan/dialogs/schedule_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>

#include "taskplan/dialogs/taskplan_strings.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

namespace taskplan {
namespace {

QString text(std::uint32_t id) {
    return uictl::to_qstring(taskplan_strings().text(id));
}

// A row of widgets without margins, for a form's right side.
QWidget* row_of(QWidget* parent, std::initializer_list<QWidget*> widgets) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : widgets) layout->addWidget(widget);
    layout->addStretch(1);
    return row;
}

}  // namespace

CScheduleDialog::CScheduleDialog(QWidget* parent, const ScheduleForm& form, const QString& caption)
    : QDialog(parent) {
    setObjectName("scheduleDialog");
    setWindowTitle(caption.isEmpty() ? text(text_id::editor_title) : caption);
    auto* layout = new QFormLayout(this);

    kind_ = new QComboBox(this);
    kind_->setObjectName("kind");
    for (std::uint32_t id = text_id::kind_once; id <= text_id::kind_once + 4; ++id) kind_->addItem(text(id));
    kind_->setCurrentIndex(static_cast<int>(form.kind));
    layout->addRow(text(text_id::kind_label), kind_);

    date_ = new QDateEdit(QDate(form.day.year, form.day.month, form.day.day), this);
    date_->setObjectName("date");
    date_->setCalendarPopup(true);
    date_->setDisplayFormat("yyyy-MM-dd");
    layout->addRow(text(text_id::date_label), date_);
    time_ = new QTimeEdit(QTime(form.hour, form.minute), this);
    time_->setObjectName("time");
    time_->setDisplayFormat("HH:mm");
    layout->addRow(text(text_id::time_label), time_);

    interval_ = new QSpinBox(this);
    interval_->setObjectName("interval");
    interval_->setRange(0, 9999);
    interval_->setValue(form.interval);
    interval_unit_ = new QLabel(this);
    interval_row_ = row_of(this, {interval_, interval_unit_});
    layout->addRow(text(text_id::every_label), interval_row_);

    auto* days = new QWidget(this);
    auto* days_layout = new QHBoxLayout(days);
    days_layout->setContentsMargins(0, 0, 0, 0);
    for (int day = 0; day < 7; ++day) {
        weekdays_[day] = new QCheckBox(text(text_id::weekday_sunday + day), days);
        weekdays_[day]->setObjectName(QStringLiteral("weekday%1").arg(day));
        weekdays_[day]->setChecked((form.weekdays & (1u << day)) != 0);
        days_layout->addWidget(weekdays_[day]);
    }
    weekdays_row_ = days;
    layout->addRow(text(text_id::weekdays_label), weekdays_row_);

    month_days_ = new QLineEdit(QString::fromStdString(form.month_days), this);
    month_days_->setObjectName("monthDays");
    month_days_row_ = month_days_;
    layout->addRow(text(text_id::month_days_label), month_days_);

    catch_up_ = new QCheckBox(text(text_id::catch_up), this);
    catch_up_->setObjectName("catchUp");
    catch_up_->setChecked(form.catch_up);
    layout->addRow(catch_up_);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(text(text_id::ok_button), QDialogButtonBox::AcceptRole)->setObjectName("ok");
    buttons->addButton(text(text_id::cancel_button), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CScheduleDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addRow(buttons);

    connect(kind_, &QComboBox::currentIndexChanged, this, &CScheduleDialog::show_kind);
    show_kind();
}

void CScheduleDialog::show_kind() {
    const auto kind = static_cast<ScheduleKind>(kind_->currentIndex());
    auto* layout = static_cast<QFormLayout*>(this->layout());
    layout->setRowVisible(date_, kind != ScheduleKind::at_start);
    layout->setRowVisible(time_, kind != ScheduleKind::at_start);
    layout->setRowVisible(interval_row_, kind == ScheduleKind::daily || kind == ScheduleKind::weekly);
    interval_unit_->setText(text(kind == ScheduleKind::weekly ? text_id::weeks_unit : text_id::days_unit));
    layout->setRowVisible(weekdays_row_, kind == ScheduleKind::weekly);
    layout->setRowVisible(month_days_row_, kind == ScheduleKind::monthly);
    adjustSize();
}

ScheduleForm CScheduleDialog::form() const {
    ScheduleForm form;
    form.kind = static_cast<ScheduleKind>(kind_->currentIndex());
    const QDate date = date_->date();
    form.day = {date.year(), date.month(), date.day()};
    form.hour = time_->time().hour();
    form.minute = time_->time().minute();
    form.interval = interval_->value();
    form.weekdays = 0;
    for (int day = 0; day < 7; ++day) {
        if (weekdays_[day]->isChecked()) form.weekdays |= static_cast<std::uint16_t>(1u << day);
    }
    form.month_days = month_days_->text().toStdString();
    form.catch_up = catch_up_->isChecked();
    return form;
}

void CScheduleDialog::accept() {
    std::uint32_t problem = 0;
    switch (form().check()) {
        case ScheduleForm::Problem::none: QDialog::accept(); return;
        case ScheduleForm::Problem::no_weekday: problem = text_id::no_weekday; break;
        case ScheduleForm::Problem::bad_month_days: problem = text_id::bad_month_days; break;
        case ScheduleForm::Problem::bad_interval: problem = text_id::bad_interval; break;
    }
    const bk::String message = taskplan_strings().text(problem);
    BrimMessageBox(message.c_str(), nullptr, mb::ok | mb::icon_error);
}

}  // namespace taskplan
