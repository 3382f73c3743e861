#pragma once
// What the option sheet of a backup job edits, and its OK: the checks, then
// the job changed as a whole or not at all. The sheet's pages only show
// and fill these values; tests drive the form without widgets.
#include <cstdint>
#include <memory>

#include "basekit/types.h"
#include "core/jobs/backup_item.h"
#include "job/extension_filter_editor.h"
#include "job/system_option.h"

namespace job {

using brim::BackupKind;

// The general page.
struct GeneralValues {
    BackupKind kind = BackupKind::normal;
    // Set when the user picked a kind; a kind the combo box cannot show
    // (difference, directory copy) stays as it is until then.
    bool kind_chosen = false;
    bool append = true;  // false: replace the set at the destination
    bool verify = false;
    bool notify = false;
    // The combination rule edited in this sheet (null: "never"); only
    // rule_edited says whether it replaces the job's.
    std::unique_ptr<brim::TriggerData> rule;
    bool rule_edited = false;
};

// The security group of the advanced page.
struct SecurityValues {
    int index = 0;  // in the security combo box (security_choice.h)
    bk::String password;
    bk::String confirmation;
};

// Where OK left the user when it failed.
enum class OptionField { none, kind, password };

class BackupOptionForm final {
public:
    // Reads the job (not owned; it outlives the form). `new_job`: the job
    // was just made and has no set of its own yet. `known`: the extensions
    // and descriptions of the user's options, for the filter's list.
    BackupOptionForm(brim::BackupItem& job, bool new_job, const std::vector<StringPair>& known = {});
    // Wipes the typed password.
    ~BackupOptionForm();
    BackupOptionForm(const BackupOptionForm&) = delete;
    BackupOptionForm& operator=(const BackupOptionForm&) = delete;

    brim::BackupItem& job() const { return job_; }
    bool new_job() const { return new_job_; }

    GeneralValues general;
    SecurityValues security;
    ExtensionFilter filter;
    bool open_file = false;
    // Which pages the user opened: only those write into the job.
    bool advanced_shown = false;
    bool read_write_shown = false;

    // Picks a kind on the general page.
    void choose_kind(BackupKind kind);
    // The kind the job will have after OK.
    BackupKind chosen_kind() const;
    // A job of the chosen kind can be protected (not a copy kind).
    bool security_allowed() const;
    // The combination rule the general page offers: for increment and
    // increment copy only.
    bool rule_allowed() const;
    // The rule as it stands in the sheet: the edited one, else the job's.
    const brim::TriggerData* current_rule() const;
    // The password the page starts with: the job's current password.
    bk::String GetPassword() const { return job_.password; }

    // OK. Refuses a kind switch between merge copy and the other copy kinds
    // of an existing job (warnings 3139, 3140) and a typed password that does
    // not pass CheckPasswordPair (3025, 3019), leaving the job untouched;
    // then UpdateJobOption(). 1 when the job took the values, else 0, with
    // the field at fault in failed_field(). Shows its messages with
    // BrimMessageBox; GUI thread only.
    int FinishedSet(CSystemOption& options);
    // Writes the values into the job and makes the password operation they
    // call for (add, change or remove, on the job's set unless the job is
    // new). When that operation fails (error 3082, 3083 or 3084 with its
    // reason), the job is put back as it was before, its security bits
    // included, and 0 is returned. The typed password is wiped in every case.
    int UpdateJobOption(CSystemOption& options);
    OptionField failed_field() const { return failed_; }

private:
    enum class PasswordStep { none, add, change, remove };
    // The password operation the values call for.
    PasswordStep password_step() const;
    // Whether OK must check the typed password pair.
    bool password_to_check() const;
    bool refuse_kind_switch() const;
    void write_values();
    void wipe_typed();

    brim::BackupItem& job_;
    bool new_job_;
    std::uint32_t security_before_;  // the job's bits 0xF00 when the sheet opened
    bk::String password_before_;     // what the password fields started with
    OptionField failed_ = OptionField::none;
};

}  // namespace job
