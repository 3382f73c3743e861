#include "job/backup_option_form.h"

#include <optional>

#include "core/backup_exception.h"
#include "core/jobs/job_options.h"
#include "core/security/wipe.h"
#include "job/job_strings.h"
#include "job/security_choice.h"
#include "uictl/brim_message_box.h"
#include "uictl/wait_cursor.h"

namespace job {
namespace {

namespace opt = brim::job_option;

constexpr int remove_password_help = 1032;

bool is_rule_kind(BackupKind kind) {
    return kind == BackupKind::increment || kind == BackupKind::increment_copy;
}

bool is_plain_copy(BackupKind kind) {
    return kind == BackupKind::copy || kind == BackupKind::increment_copy;
}

void set_bit(std::uint32_t& options, std::uint32_t bit, bool on) {
    options = on ? options | bit : options & ~bit;
}

// What OK may change in a job, to put it back when OK fails.
struct JobSnapshot {
    explicit JobSnapshot(const brim::BackupItem& job)
        : options(job.options), kind(job.kind), extensions(job.extensions), append_mode(job.append_mode),
          rotation_times(job.rotation_times),
          trigger(job.trigger ? std::make_unique<brim::TriggerData>(*job.trigger) : nullptr),
          password(job.password), password_state(job.password_state) {}
    ~JobSnapshot() { brim::wipe_string(password); }
    JobSnapshot(const JobSnapshot&) = delete;
    JobSnapshot& operator=(const JobSnapshot&) = delete;

    void put_back(brim::BackupItem& job) {
        job.options = options;
        job.kind = kind;
        job.extensions = extensions;
        job.append_mode = append_mode;
        job.rotation_times = rotation_times;
        job.trigger = std::move(trigger);
        job.password = password;
        job.password_state = password_state;
    }

    std::uint32_t options;
    BackupKind kind;
    std::vector<bk::String> extensions;
    std::int32_t append_mode;
    std::uint32_t rotation_times;
    std::unique_ptr<brim::TriggerData> trigger;
    bk::String password;
    brim::PasswordState password_state;
};

void show_warning(std::uint32_t text_id) {
    const bk::String message = job_strings().text(text_id);
    BrimMessageBox(message.c_str(), u"", mb::ok | mb::icon_warning);
}

}  // namespace

BackupOptionForm::BackupOptionForm(brim::BackupItem& job, bool new_job, const std::vector<StringPair>& known)
    : job_(job), new_job_(new_job), security_before_(job.options & opt::security_mask) {
    general.kind = job.kind;
    general.append = job.has_option(opt::keep_set);
    general.verify = job.has_option(opt::verify);
    general.notify = job.has_option(opt::notify);
    security.index = SecurityIndexOf(job.options);
    if (security_before_ != 0) password_before_ = job.password;
    security.password = security.confirmation = password_before_;
    filter = ExtensionFilter::of_job(job, known);
    open_file = job.has_option(opt::open_file);
}

BackupOptionForm::~BackupOptionForm() {
    wipe_typed();
    brim::wipe_string(password_before_);
}

void BackupOptionForm::choose_kind(BackupKind kind) {
    general.kind = kind;
    general.kind_chosen = true;
}

BackupKind BackupOptionForm::chosen_kind() const {
    return general.kind_chosen ? general.kind : job_.kind;
}

bool BackupOptionForm::security_allowed() const {
    return !brim::is_copy_kind(chosen_kind());
}

bool BackupOptionForm::rule_allowed() const {
    return is_rule_kind(chosen_kind());
}

const brim::TriggerData* BackupOptionForm::current_rule() const {
    return general.rule_edited ? general.rule.get() : job_.trigger.get();
}

bool BackupOptionForm::refuse_kind_switch() const {
    if (new_job_ || !general.kind_chosen) return false;
    const BackupKind from = job_.kind;
    const BackupKind to = general.kind;
    if (to == BackupKind::merge_copy && is_plain_copy(from)) {
        show_warning(text_id::cannot_switch_to_merge_copy);
        return true;
    }
    if (from == BackupKind::merge_copy && is_plain_copy(to)) {
        show_warning(text_id::cannot_switch_from_merge_copy);
        return true;
    }
    return false;
}

bool BackupOptionForm::password_to_check() const {
    if (!security_allowed() || !advanced_shown || security.index == security_none_index) return false;
    const bool edited = security.password != password_before_ || security.confirmation != password_before_;
    return edited || security_before_ == 0;
}

BackupOptionForm::PasswordStep BackupOptionForm::password_step() const {
    const bool had = security_before_ != 0;
    if (!security_allowed()) return had ? PasswordStep::remove : PasswordStep::none;
    if (!advanced_shown) return PasswordStep::none;
    if (security.index == security_none_index) return had ? PasswordStep::remove : PasswordStep::none;
    if (!had) return PasswordStep::add;
    return security.password != password_before_ ? PasswordStep::change : PasswordStep::none;
}

int BackupOptionForm::FinishedSet(CSystemOption& options) {
    failed_ = OptionField::none;
    if (refuse_kind_switch()) {
        failed_ = OptionField::kind;
        return 0;
    }
    if (password_to_check()) {
        const std::uint32_t fault = CheckPasswordPair(security.password, security.confirmation);
        if (fault != 0) {
            ShowPasswordFault(fault);
            failed_ = OptionField::password;
            return 0;
        }
    }
    return UpdateJobOption(options);
}

void BackupOptionForm::write_values() {
    std::uint32_t bits = job_.options;
    const BackupKind kind = chosen_kind();
    job_.kind = kind;
    // The rotation belongs to the append mode the job had: it goes when the
    // set is to be replaced, or when appending starts anew.
    const bool appending = job_.has_option(opt::keep_set);
    if (!general.append || !appending) {
        job_.append_mode = 0;
        job_.rotation_times = 0;
    }
    set_bit(bits, opt::keep_set, general.append && kind != BackupKind::merge_copy);
    set_bit(bits, opt::verify, general.verify);
    set_bit(bits, opt::notify, general.notify);
    if (!is_rule_kind(kind))
        job_.trigger.reset();
    else if (general.rule_edited)
        job_.trigger = general.rule ? std::make_unique<brim::TriggerData>(*general.rule) : nullptr;

    if (!security_allowed()) {
        bits &= ~opt::security_mask;
    } else if (advanced_shown && security.index != SecurityIndexOf(security_before_)) {
        // An entry left as it was keeps the job's bits (a cipher may carry
        // the password bit beside it).
        bits &= ~opt::security_mask;
        bits |= SecurityBitsAt(security.index);
    }
    if (read_write_shown) set_bit(bits, opt::open_file, open_file);
    job_.options = bits;
    if (advanced_shown) filter.store_in(job_);
}

int BackupOptionForm::UpdateJobOption(CSystemOption& options) {
    JobSnapshot before(job_);
    const PasswordStep step = password_step();
    write_values();
    std::uint32_t failure = 0;
    try {
        uictl::WaitCursor wait;
        switch (step) {
            case PasswordStep::none:
                break;
            case PasswordStep::add:
                failure = text_id::cannot_add_password;
                job_.crypted_password(security.password, !new_job_);
                break;
            case PasswordStep::change:
                failure = text_id::cannot_change_password;
                job_.modify_password(security.password);
                break;
            case PasswordStep::remove:
                failure = text_id::cannot_remove_password;
                job_.remove_password(new_job_);
                break;
        }
        failure = 0;
    } catch (const brim::BackupException& error) {
        before.put_back(job_);
        const bk::String message = job_strings().format(failure, {error.message(), job_.name});
        const int help = failure == text_id::cannot_remove_password ? remove_password_help : no_help_context;
        BrimMessageBox(message.c_str(), u"", mb::ok | mb::icon_error | (help != no_help_context ? mb::help : 0), nullptr,
                       help);
    }
    wipe_typed();
    if (failure != 0) {
        failed_ = OptionField::password;
        return 0;
    }
    if (advanced_shown) filter.record_in(options);
    // A later OK starts from the job as it is now.
    security_before_ = job_.options & opt::security_mask;
    brim::wipe_string(password_before_);
    if (security_before_ != 0) password_before_ = job_.password;
    return 1;
}

void BackupOptionForm::wipe_typed() {
    brim::wipe_string(security.password);
    brim::wipe_string(security.confirmation);
}

}  // namespace job
