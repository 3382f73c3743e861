#include "job/backup_kinds.h"

#include <array>
#include <map>

#include <QComboBox>

#include "basekit/date.h"
#include "basekit/path.h"
#include "core/archive/set_layout.h"
#include "job/job_strings.h"
#include "taskplan/task_planner.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

namespace job {
namespace {

struct KindWords {
    BackupKind kind;
    std::uint32_t name_id;         // 0: no name
    std::uint32_t description_id;  // 0: no description
    int combo_index;
};

constexpr std::array<KindWords, 8> kind_words{{
    {BackupKind::copy, text_id::copy_name, text_id::copy_description, 2},
    {BackupKind::normal, text_id::normal_name, text_id::normal_description, 0},
    {BackupKind::increment, text_id::increment_name, text_id::increment_description, 1},
    {BackupKind::difference, 0, 0, 1},
    {BackupKind::increment_copy, text_id::increment_copy_name, text_id::increment_copy_description, 3},
    {BackupKind::merge_copy, text_id::merge_copy_name, text_id::merge_copy_description, 4},
    {BackupKind::directory_copy, 0, 0, 1},
    {BackupKind::burner, 0, 0, 1},
}};

// The kinds of the combo box, in its order.
constexpr std::array<BackupKind, 5> combo_kinds{BackupKind::normal, BackupKind::increment, BackupKind::copy,
                                                BackupKind::increment_copy, BackupKind::merge_copy};

const KindWords* words_of(BackupKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index < kind_words.size() ? &kind_words[index] : nullptr;
}

// The twelve characters a job name may not hold.
constexpr bk::StringView name_refused_chars = u"./?:\\*\"<>|#%";
constexpr std::size_t max_job_name = 32;
constexpr std::size_t max_name_and_destination = 250;

int show(std::uint32_t id, int icon, std::initializer_list<bk::FormatArg> args = {}) {
    const bk::String text = job_strings().format(id, args);
    return BrimMessageBox(text.c_str(), u"", mb::ok | icon);
}

bk::String lower(const bk::String& text) {
    return uictl::from_qstring(uictl::to_qstring(text).toLower());
}

}  // namespace

bk::String BakTypeToString(BackupKind kind, const BakKindCombineTrigger*) {
    const KindWords* words = words_of(kind);
    return words != nullptr && words->name_id != 0 ? job_strings().text(words->name_id) : bk::String();
}

bk::String BakTypeDescription(BackupKind kind) {
    const KindWords* words = words_of(kind);
    return words != nullptr && words->description_id != 0 ? job_strings().text(words->description_id) : bk::String();
}

BackupKind StringToBakType(bk::StringView text) {
    // One map per language, built on first use.
    static std::map<uictl::UiLanguage, std::map<bk::String, BackupKind, std::less<>>> maps;
    auto& names = maps[uictl::ui_language()];
    if (names.empty())
        for (const BackupKind kind : combo_kinds) names.emplace(BakTypeToString(kind), kind);
    const auto it = names.find(text);
    return it != names.end() ? it->second : BackupKind::none;
}

int GetComboBoxIndex(BackupKind kind) {
    const KindWords* words = words_of(kind);
    return words != nullptr ? words->combo_index : 1;
}

void InitBakTypes(QComboBox& box) {
    box.setInsertPolicy(QComboBox::InsertAtBottom);
    for (const BackupKind kind : combo_kinds)
        box.addItem(uictl::to_qstring(BakTypeToString(kind)), static_cast<int>(kind));
}

bk::String TriggerToString(const BakKindCombineTrigger* trigger, BackupKind kind) {
    if (trigger == nullptr) return {};
    const auto& strings = job_strings();
    const bk::String name = lower(BakTypeToString(kind));
    switch (trigger->kind) {
        case BakKindCombineTrigger::Kind::count:
            return strings.format(text_id::rule_every_count, {trigger->value, name});
        case BakKindCombineTrigger::Kind::weekly: {
            bk::String days;
            for (std::uint32_t day = 0; day < 7; ++day) {
                if ((trigger->days_of_week & (1u << day)) == 0) continue;
                if (!days.empty()) days += strings.text(text_id::rule_day_separator);
                days += strings.text(text_id::sunday + day);
            }
            if (trigger->interval == 1) return strings.format(text_id::rule_every_week, {days, name});
            return strings.format(text_id::rule_every_weeks, {int{trigger->interval}, days, name});
        }
        case BakKindCombineTrigger::Kind::monthly:
            return strings.format(text_id::rule_monthly_sentence, {trigger->value, name});
    }
    return {};
}

std::int64_t GetTriggerTime(const brim::BackupItem* job, bk::String& text) {
    if (job == nullptr) return 0;
    const auto& strings = job_strings();
    taskplan::CTaskPlanner* planner = job->task_name.empty() ? nullptr : taskplan::CTaskPlanner::GetInstance(1);
    const std::unique_ptr<taskplan::CTask> task = planner != nullptr ? planner->GetTask(job->task_name) : nullptr;
    if (!task) {
        text = strings.text(text_id::no_next_run);
        return 0;
    }
    const std::int64_t next = task->GetNextExecutionTime();
    if (next != 0) {
        text = bk::Date(next).to_string(bk::FullDatePattern::Short);
        return next;
    }
    switch (task->GetTrigger()) {
        case taskplan::TriggerType::once: text = strings.text(text_id::no_next_run); break;
        case taskplan::TriggerType::when_idle: text = strings.text(text_id::when_idle); break;
        case taskplan::TriggerType::at_system_start: text = strings.text(text_id::at_system_start); break;
        case taskplan::TriggerType::at_logon: text = strings.text(text_id::at_logon); break;
        default: break;  // time triggers without a next run: the text stays
    }
    return 0;
}

int CheckBack(bk::StringView name, bk::StringView destination) {
    if (!name.empty()) {
        if (name.find_first_of(name_refused_chars) != bk::StringView::npos) {
            show(text_id::bad_job_name, mb::icon_information);
            return check_name_fault;
        }
        if (name.size() > max_job_name) {
            show(text_id::job_name_too_long, mb::icon_warning);
            return check_name_fault;
        }
    }
    if (!destination.empty()) {
        if (!bk::Path::is_valid_path(destination)) {
            show(text_id::bad_destination, mb::icon_error);
            return check_destination_fault;
        }
        if (!bk::Path::is_absolute_path(destination)) {
            show(text_id::relative_destination, mb::icon_warning, {destination});
            return check_destination_fault;
        }
    }
    if (!name.empty() && !destination.empty() && name.size() + destination.size() > max_name_and_destination) {
        show(text_id::set_path_too_long, mb::icon_warning);
        return check_name_fault;
    }
    return check_passed;
}

int RestoreIsEmpty(const std::vector<const brim::archive::RunLayout*>& runs) {
    for (const brim::archive::RunLayout* run : runs) {
        if (run != nullptr && run->root && (!run->root->directories().empty() || !run->root->files().empty()))
            return 0;
    }
    show(text_id::nothing_to_restore, mb::icon_warning);
    return 1;
}

bk::String FindVecPair(const std::vector<std::pair<bk::String, bk::String>>& pairs, bk::StringView key) {
    for (const auto& [first, second] : pairs)
        if (first == key) return second;
    return {};
}

}  // namespace job
