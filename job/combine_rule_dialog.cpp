#include "job/combine_rule_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "job/dialog_buttons.h"
#include "job/job_strings.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

namespace job {
namespace {

using uictl::to_qstring;

QString format(std::uint32_t id, std::initializer_list<bk::FormatArg> args) {
    return to_qstring(job_strings().format(id, args));
}

QLabel* hint_label(const QString& hint) {
    auto* label = new QLabel(hint);
    label->setWordWrap(true);
    label->setObjectName("hint");
    return label;
}

// A number field that takes digits only, so that a number out of range is
// told by the check rather than silently refused.
QLineEdit* number_field(const char* name) {
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setValidator(new QIntValidator(0, 999999, field));
    field->setMaxLength(6);
    return field;
}

int number_of(const QLineEdit* field) {
    bool ok = false;
    const int value = field->text().toInt(&ok);
    return ok ? value : 0;
}

}  // namespace

BackupKind CombinedKindOf(BackupKind kind) {
    return brim::is_copy_kind(kind) ? BackupKind::copy : BackupKind::normal;
}

CombineRuleForm::CombineRuleForm(const BakKindCombineTrigger* rule) {
    if (rule == nullptr) return;
    switch (rule->kind) {
        case BakKindCombineTrigger::Kind::count:
            choice = RuleChoice::fixed_interval;
            count = rule->value;
            break;
        case BakKindCombineTrigger::Kind::weekly:
            choice = RuleChoice::weekly;
            weeks = rule->interval;
            days = rule->days_of_week;
            break;
        case BakKindCombineTrigger::Kind::monthly:
            choice = RuleChoice::monthly;
            day = rule->value;
            break;
    }
}

std::optional<CombineRuleForm::Fault> CombineRuleForm::fault() const {
    using namespace rule_limit;
    switch (choice) {
        case RuleChoice::fixed_interval:
            if (count < min_count || count > max_count) return Fault{text_id::rule_count_range, min_count, max_count};
            break;
        case RuleChoice::weekly:
            if (weeks < min_weeks || weeks > max_weeks) return Fault{text_id::rule_weeks_range, min_weeks, max_weeks};
            break;
        case RuleChoice::monthly:
            if (day < min_day || day > max_day) return Fault{text_id::rule_day_range, min_day, max_day};
            break;
        case RuleChoice::never:
            break;
    }
    return std::nullopt;
}

bool CombineRuleForm::Check() const {
    const auto found = fault();
    if (!found) return true;
    const bk::String message = job_strings().format(found->text_id, {found->min, found->max});
    BrimMessageBox(message.c_str(), u"", mb::ok | mb::icon_warning);
    return false;
}

std::unique_ptr<BakKindCombineTrigger> CombineRuleForm::rule() const {
    auto made = std::make_unique<BakKindCombineTrigger>();
    switch (choice) {
        case RuleChoice::fixed_interval:
            made->kind = BakKindCombineTrigger::Kind::count;
            made->value = count;
            return made;
        case RuleChoice::weekly:
            made->kind = BakKindCombineTrigger::Kind::weekly;
            made->interval = static_cast<std::int16_t>(weeks);
            made->days_of_week = days;
            return made;
        case RuleChoice::monthly:
            made->kind = BakKindCombineTrigger::Kind::monthly;
            made->value = day;
            return made;
        case RuleChoice::never:
            break;
    }
    return nullptr;
}

CCombineRuleDialog::CCombineRuleDialog(QWidget* parent, BackupKind job_kind, const BakKindCombineTrigger* rule)
    : QDialog(parent), form_(rule) {
    setObjectName("combineRuleDialog");
    setWindowTitle(job_text(text_id::rule_dialog_title));
    const bk::String combined = BakTypeToString(CombinedKindOf(job_kind));
    const bk::String own = BakTypeToString(job_kind);

    auto* group = new QGroupBox(format(text_id::rule_combined_with, {combined}));
    auto* group_layout = new QVBoxLayout(group);

    type_ = new QComboBox;
    type_->setObjectName("type");
    for (const std::uint32_t id : {text_id::rule_fixed_interval, text_id::rule_weekly, text_id::rule_monthly,
                                   text_id::rule_never})
        type_->addItem(job_text(id));
    auto* type_label = new QLabel(format(text_id::rule_run_to_replace, {combined}));
    type_label->setBuddy(type_);
    auto* type_row = new QHBoxLayout;
    type_row->addWidget(type_label);
    type_row->addWidget(type_, 1);
    group_layout->addLayout(type_row);

    pages_ = new QStackedWidget;
    pages_->setObjectName("pages");

    auto* count_page = new QWidget;
    auto* count_layout = new QFormLayout(count_page);
    count_ = number_field("count");
    count_layout->addRow(job_text(text_id::rule_count_label), count_);
    count_layout->addRow(hint_label(format(text_id::rule_count_hint, {own, combined})));
    pages_->addWidget(count_page);

    auto* weekly_page = new QWidget;
    auto* weekly_layout = new QFormLayout(weekly_page);
    weeks_ = number_field("weeks");
    weekly_layout->addRow(job_text(text_id::rule_weeks_label), weeks_);
    auto* day_grid = new QHBoxLayout;
    for (std::size_t i = 0; i < days_.size(); ++i) {
        days_[i] = new QCheckBox(job_text(text_id::sunday + static_cast<std::uint32_t>(i)));
        days_[i]->setObjectName(QString("day%1").arg(i));
        days_[i]->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);  // never cut a day's name
        day_grid->addWidget(days_[i]);
    }
    weekly_layout->addRow(new QLabel(job_text(text_id::rule_days_label)));
    weekly_layout->addRow(day_grid);
    pages_->addWidget(weekly_page);

    auto* monthly_page = new QWidget;
    auto* monthly_layout = new QFormLayout(monthly_page);
    day_ = number_field("day");
    monthly_layout->addRow(job_text(text_id::rule_day_label), day_);
    monthly_layout->addRow(hint_label(format(text_id::rule_day_hint, {combined})));
    pages_->addWidget(monthly_page);

    pages_->addWidget(new QWidget);  // "never" asks for nothing
    group_layout->addWidget(pages_);

    auto* buttons = MakeDialogButtons(*this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);

    connect(type_, &QComboBox::currentIndexChanged, pages_, &QStackedWidget::setCurrentIndex);
    show_form();
}

void CCombineRuleDialog::show_form() {
    type_->setCurrentIndex(static_cast<int>(form_.choice));
    pages_->setCurrentIndex(static_cast<int>(form_.choice));
    count_->setText(QString::number(form_.count));
    weeks_->setText(QString::number(form_.weeks));
    day_->setText(QString::number(form_.day));
    for (std::size_t i = 0; i < days_.size(); ++i) days_[i]->setChecked((form_.days & (1u << i)) != 0);
}

void CCombineRuleDialog::read_form() {
    form_.choice = static_cast<RuleChoice>(type_->currentIndex());
    form_.count = number_of(count_);
    form_.weeks = number_of(weeks_);
    form_.day = number_of(day_);
    form_.days = 0;
    for (std::size_t i = 0; i < days_.size(); ++i)
        if (days_[i]->isChecked()) form_.days |= static_cast<std::uint16_t>(1u << i);
}

void CCombineRuleDialog::accept() {
    read_form();
    if (!form_.Check()) {
        const auto field = form_.choice == RuleChoice::fixed_interval ? count_
                           : form_.choice == RuleChoice::weekly       ? weeks_
                                                                      : day_;
        field->setFocus();
        field->selectAll();
        return;
    }
    QDialog::accept();
}

}  // namespace job
