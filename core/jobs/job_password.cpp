// The password members of a job: proving a password and the rewrites of the
// set's security header that adding, changing or removing one makes.
#include "basekit/date.h"
#include "basekit/exception.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/archive/set_security.h"
#include "core/backup_exception.h"
#include "core/core_strings.h"
#include "core/jobs/backup_item.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/version.h"
#include "core/security/wipe.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_replaced_set = 196;
constexpr std::uint32_t msg_add_password_failed = 410;
constexpr std::uint32_t msg_password_changed = 411;
constexpr std::uint32_t msg_modify_password_failed = 412;
constexpr std::uint32_t msg_password_removed = 413;
constexpr std::uint32_t msg_remove_password_failed = 414;

std::optional<archive::StoredSecurityHeader> stored_header(const BackupItem& job) {
    return archive::read_stored_security_header(job.archive_file(), Version::major_version);
}

// Runs a rewrite of the set's header; on failure puts the old password back,
// logs `failure_id` with the set's path and the reason, and throws.
template <typename Rewrite>
void rewrite_or_restore(BackupItem& job, const bk::String& old_password, std::uint32_t failure_id, Rewrite&& rewrite) {
    try {
        rewrite();
    } catch (const bk::Exception& error) {
        job.password = old_password;
        const bk::String reason = error.message();
        LogManager::instance()->log(LogType::error,
                                    bk::format_text(core_string(failure_id), {job.archive_file(), reason}), job.name);
        throw BackupException(reason);
    }
}

}  // namespace

bool BackupItem::check_password(bk::StringView candidate) {
    if (password_state == PasswordState::must_prove || password_state == PasswordState::prove_only) {
        try {
            const auto stored = stored_header(*this);
            archive::DataKey key;
            if (!stored) {
                // A protected job with no set yet (imported before its first
                // run) takes the password its first run will write with.
                if (password_state != PasswordState::must_prove || bk::File(archive_file()).exists()) return false;
            } else if (!archive::unlock_data_key(stored->header, *stored->format, candidate, key)) {
                return false;
            }
        } catch (const bk::Exception&) {
            return false;
        }
        if (password_state == PasswordState::must_prove) password = bk::String(candidate);
    } else if (candidate != password) {
        return false;
    }
    password_state = PasswordState::proved;
    return true;
}

bool BackupItem::need_password(bool unattended_run) const {
    const bool unknown = password_state == PasswordState::must_prove || password_state == PasswordState::not_loaded;
    return has_option(job_option::security_mask) && unknown && (!is_unattended() || !unattended_run);
}

void BackupItem::crypted_password(bk::StringView new_password, bool apply_to_archive) {
    const bk::String old = password;
    password = bk::String(new_password);
    password_state = PasswordState::proved;
    if (!apply_to_archive) return;
    rewrite_or_restore(*this, old, msg_add_password_failed, [&] {
        auto stored = stored_header(*this);
        if (!stored) return;
        archive::add_password(stored->header, *stored->format, *this, bk::Date::now_time());
        archive::write_stored_security_header(*stored);
    });
}

void BackupItem::modify_password(bk::StringView new_password) {
    const bk::String old = password;
    password = bk::String(new_password);
    rewrite_or_restore(*this, old, msg_modify_password_failed, [&] {
        auto stored = stored_header(*this);
        if (stored) {
            archive::change_password(stored->header, *stored->format, *this, old, bk::Date::now_time());
            archive::write_stored_security_header(*stored);
        }
        LogManager::instance()->log(LogType::information, msg_password_changed, name);
    });
}

void BackupItem::remove_password(bool keep_archive) {
    bk::String old = password;
    wipe_string(password);
    password.clear();
    if (keep_archive) return;
    rewrite_or_restore(*this, old, msg_remove_password_failed, [&] {
        auto stored = stored_header(*this);
        if (!stored || !archive::has_password(stored->header.security_kind)) return;
        archive::remove_password(stored->header, *stored->format, old, bk::Date::now_time());
        archive::write_stored_security_header(*stored);
    });
    LogManager::instance()->log(LogType::information, msg_password_removed, name);
    wipe_string(old);
}

bool BackupItem::replace_archive_file(bool force) {
    if (!force) {
        try {
            const auto stored = stored_header(*this);
            if (stored && archive::has_password(stored->header.security_kind)) {
                password_state = PasswordState::prove_only;
                return true;
            }
        } catch (const bk::Exception&) {
        }
    }
    try {
        bk::File(archive_file()).remove();
    } catch (const bk::Exception& error) {
        throw BackupException(error.message());
    }
    LogManager::instance()->log(LogType::information, msg_replaced_set, name);
    return false;
}

}  // namespace brim
