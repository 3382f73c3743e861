#include "taskplan/schedule_form.h"

#include <sstream>

namespace taskplan {
namespace {

// "1,15" into bits; 0 when a part is no day of a month.
std::uint32_t month_day_bits(const std::string& text) {
    std::uint32_t bits = 0;
    std::stringstream list(text);
    for (std::string part; std::getline(list, part, ',');) {
        const auto first = part.find_first_not_of(' ');
        const auto last = part.find_last_not_of(' ');
        if (first == std::string::npos) return 0;
        part = part.substr(first, last - first + 1);
        if (part.size() > 2 || part.find_first_not_of("0123456789") != std::string::npos) return 0;
        const int day = std::stoi(part);
        if (day < 1 || day > 31) return 0;
        bits |= 1u << (day - 1);
    }
    return bits;
}

std::string month_day_text(std::uint32_t bits) {
    std::string text;
    for (int day = 1; day <= 31; ++day) {
        if ((bits & (1u << (day - 1))) == 0) continue;
        if (!text.empty()) text += ',';
        text += std::to_string(day);
    }
    return text;
}

}  // namespace

ScheduleForm ScheduleForm::of(const ScheduleTrigger& trigger, bool catch_up) {
    ScheduleForm form;
    switch (trigger.type) {
        case TriggerType::once: form.kind = ScheduleKind::once; break;
        case TriggerType::weekly: form.kind = ScheduleKind::weekly; break;
        case TriggerType::monthly_date: form.kind = ScheduleKind::monthly; break;
        case TriggerType::at_system_start: form.kind = ScheduleKind::at_start; break;
        default: form.kind = ScheduleKind::daily; break;
    }
    form.day = trigger.begin;
    form.hour = trigger.hour;
    form.minute = trigger.minute;
    form.interval = trigger.interval;
    if (trigger.weekdays != 0) form.weekdays = trigger.weekdays;
    if (trigger.month_days != 0) form.month_days = month_day_text(trigger.month_days);
    form.catch_up = catch_up;
    return form;
}

ScheduleForm::Problem ScheduleForm::check() const {
    if ((kind == ScheduleKind::daily || kind == ScheduleKind::weekly) && (interval < 1 || interval > 5000))
        return Problem::bad_interval;
    if (kind == ScheduleKind::weekly && (weekdays & weekday_bit::all) == 0) return Problem::no_weekday;
    if (kind == ScheduleKind::monthly && month_day_bits(month_days) == 0) return Problem::bad_month_days;
    return Problem::none;
}

ScheduleTrigger ScheduleForm::trigger() const {
    ScheduleTrigger t;
    t.begin = day;
    t.hour = hour;
    t.minute = minute;
    switch (kind) {
        case ScheduleKind::once: t.type = TriggerType::once; break;
        case ScheduleKind::daily: t.type = TriggerType::daily, t.interval = interval; break;
        case ScheduleKind::weekly:
            t.type = TriggerType::weekly, t.interval = interval, t.weekdays = weekdays & weekday_bit::all;
            break;
        case ScheduleKind::monthly: t.type = TriggerType::monthly_date, t.month_days = month_day_bits(month_days); break;
        case ScheduleKind::at_start: t.type = TriggerType::at_system_start; break;
    }
    return t;
}

}  // namespace taskplan
