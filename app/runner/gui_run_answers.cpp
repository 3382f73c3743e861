#include "app/runner/gui_run_answers.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>

#include "app/runner/gui_thread.h"
#include "app/runner/runner_strings.h"
#include "core/core_strings.h"
#include "core/jobs/version.h"
#include "job/system_option.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

namespace app {
namespace {

using brim::CheckResult;

constexpr std::uint32_t core_set_not_authenticated = 163;
constexpr std::uint32_t core_password_mismatch = 194;

// Help pages of the questions about the destination's set.
namespace help {
constexpr int clears_foreign = 1008;
constexpr int replaces_set = 1007;
constexpr int replaces_incomplete = 1009;
constexpr int append_mode = 1019;
constexpr int floppy = 1020;
constexpr int newer_version = 1033;
constexpr int cannot_authenticate = 1034;
}  // namespace help

PasswordPrompt& installed_prompt() {
    static PasswordPrompt prompt;
    return prompt;
}

int show(const bk::String& text, std::uint32_t title_id, int flags, int help_context, int* check = nullptr) {
    const bk::String title = title_id == 0 ? bk::String() : runner_strings().text(title_id);
    return BrimMessageBox(text.c_str(), title.c_str(), flags, check, help_context);
}

bk::String with_job(std::uint32_t id, const brim::BackupItem& job) {
    return runner_strings().format(id, {job.name});
}

// A box that the never-show mark `mark` silences once its check box was
// ticked.
void show_unless_silenced(bk::StringView mark, const bk::String& text, std::uint32_t title_id, int icon,
                          int help_context) {
    job::CSystemOption& options = *job::CSystemOption::GetInstance();
    if (options.GetNeverShowValue(mark) == 0) return;
    int ticked = 0;
    show(text, title_id, mb::ok | icon | mb::help | mb::never_show_check, help_context, &ticked);
    if (ticked != 0) options.SetNeverShowValue(mark, 0);
}

}  // namespace

template <typename Show>
void GuiRunAnswers::tell(Show show) {
    if (closing()) return;
    on_gui_thread(gui_, [&] {
        if (!closing()) show();
    });
}

template <typename Question>
bool GuiRunAnswers::ask(Question question) {
    if (closing()) return false;
    return on_gui_thread(gui_, [&] { return !closing() && question(); });
}

bool GuiRunAnswers::can_ask(const brim::BackupItem&) const { return true; }

brim::RunAnswers::Password GuiRunAnswers::password(const brim::BackupItem& job, bool needed) {
    if (!needed) return {};
    const auto given = on_gui_thread(gui_, [&] { return ask_job_password(job.name); });
    if (!given) return {Password::Kind::failed, {}};
    return {Password::Kind::given, *given};
}

void GuiRunAnswers::wrong_password(const brim::BackupItem& job) {
    tell([&] { show(with_job(text_id::wrong_password, job), 0, mb::ok | mb::icon_warning, no_help_context); });
}

void GuiRunAnswers::refused(CheckResult result, const brim::BackupItem& job) {
    tell([&] {
        switch (result) {
            case CheckResult::newer_version:
                show(brim::Version::version_exception_string(), 0, mb::ok | mb::icon_warning | mb::help,
                     help::newer_version);
                break;
            case CheckResult::password_needed:
            case CheckResult::password_mismatch: {
                const bk::String reason = brim::core_string(
                    result == CheckResult::password_needed ? core_set_not_authenticated : core_password_mismatch);
                show(runner_strings().format(text_id::cannot_back_up, {reason, job.name}), 0,
                     mb::ok | mb::icon_error | mb::help, help::cannot_authenticate);
                break;
            }
            default: break;  // a failure the check has logged: refused silently
        }
    });
}

void GuiRunAnswers::floppy(const brim::BackupItem& job) {
    tell([&] {
        show_unless_silenced(job::never_show::floppy_warning, with_job(text_id::floppy_warning, job),
                             text_id::floppy_title, mb::icon_warning, help::floppy);
    });
}

bool GuiRunAnswers::confirm(CheckResult result, const brim::BackupItem& job) {
    return ask([&] {
        const int flags = mb::yes_no | mb::icon_warning | mb::help | mb::default_button2;
        int answer = button_id::no;
        switch (result) {
            case CheckResult::clears_foreign:
            case CheckResult::clears_foreign_floppy:
                answer = show(with_job(text_id::clears_foreign, job), 0, flags, help::clears_foreign);
                break;
            case CheckResult::replaces_set:
            case CheckResult::replaces_set_floppy:
                answer = show(with_job(text_id::replaces_set, job), text_id::replace_set_title, flags,
                              help::replaces_set);
                break;
            case CheckResult::replaces_incomplete:
            case CheckResult::replaces_incomplete_floppy:
                answer = show(with_job(text_id::replaces_incomplete, job), 0, flags, help::replaces_incomplete);
                break;
            default: return true;
        }
        return answer == button_id::yes;
    });
}

void GuiRunAnswers::appending(const brim::BackupItem& job) {
    tell([&] {
        show_unless_silenced(job::never_show::append_mode_hint, with_job(text_id::append_mode, job),
                             text_id::append_title, mb::icon_information, help::append_mode);
    });
}

std::optional<bk::String> ask_job_password(const bk::String& job_name) {
    if (installed_prompt()) return installed_prompt()(job_name);
    bool ok = false;
    const QString text = QInputDialog::getText(
        QApplication::activeWindow(), uictl::to_qstring(runner_strings().text(text_id::password_title)),
        uictl::to_qstring(runner_strings().format(text_id::password_prompt, {job_name})), QLineEdit::Password,
        QString(), &ok);
    if (!ok) return std::nullopt;
    return uictl::from_qstring(text);
}

void set_password_prompt(PasswordPrompt prompt) { installed_prompt() = std::move(prompt); }

}  // namespace app
