#include "job/new_job_rules.h"

#include "basekit/exception.h"
#include "basekit/system_file.h"
#include "core/jobs/backup_item_manager.h"
#include "core/media/ftp_path.h"
#include "job/backup_kinds.h"
#include "job/job_strings.h"
#include "taskplan/task_planner.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

namespace job {
namespace {

int show(const bk::String& text, int flags, int help_context = no_help_context) {
    return BrimMessageBox(text.c_str(), u"", flags, nullptr, help_context);
}

int show(std::uint32_t id, int flags, std::initializer_list<bk::FormatArg> args = {}) {
    return show(job_strings().format(id, args), flags);
}

bool same_text_ignoring_case(bk::StringView a, bk::StringView b) {
    return uictl::to_qstring(a).compare(uictl::to_qstring(b), Qt::CaseInsensitive) == 0;
}

// The port written after a host: 0 when none, nothing when it is not one.
std::optional<std::uint16_t> written_port(bk::StringView host) {
    std::size_t colon = bk::StringView::npos;
    if (host.starts_with(u'[')) {
        const std::size_t close = host.find(u']');
        if (close == bk::StringView::npos) return std::nullopt;
        if (close + 1 == host.size()) return std::uint16_t{0};
        if (host[close + 1] != u':') return std::nullopt;
        colon = close + 1;
    } else {
        colon = host.find(u':');
        if (colon == bk::StringView::npos) return std::uint16_t{0};
        if (host.rfind(u':') != colon) return std::nullopt;
    }
    const bk::StringView digits = host.substr(colon + 1);
    if (colon == 0 || digits.empty() || digits.size() > 5) return std::nullopt;
    std::uint32_t number = 0;
    for (const char16_t c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        number = number * 10 + static_cast<std::uint32_t>(c - u'0');
    }
    if (number < 1 || number > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(number);
}

}  // namespace

bool IsCopyKind(brim::BackupKind kind) {
    return kind == brim::BackupKind::copy || kind == brim::BackupKind::increment_copy ||
           kind == brim::BackupKind::merge_copy;
}

std::optional<FtpDestination> ParseFtpDestination(bk::StringView text) {
    if (!brim::is_ftp_path(text)) return std::nullopt;
    const bk::StringView rest = text.substr(brim::ftp_prefix.size());
    const std::size_t slash = rest.find(u'/');
    const bk::StringView authority = rest.substr(0, slash);
    const bk::StringView folder = slash == bk::StringView::npos ? bk::StringView(u"/") : rest.substr(slash);
    // The user name may hold "@" itself: the host follows the last one.
    const std::size_t at = authority.rfind(u'@');
    const bk::StringView user = at == bk::StringView::npos ? bk::StringView() : authority.substr(0, at);
    const bk::StringView host = at == bk::StringView::npos ? authority : authority.substr(at + 1);
    if (at != bk::StringView::npos && user.empty()) return std::nullopt;
    const auto port = written_port(host);
    if (!port) return std::nullopt;
    const bk::String host_name = brim::ftp_endpoint(host).host;
    if (host_name.empty()) return std::nullopt;

    FtpDestination out;
    out.destination = bk::String(brim::ftp_prefix) + bk::String(host) + bk::String(folder);
    out.server.server = host.starts_with(u'[') ? u"[" + host_name + u"]" : host_name;
    out.server.user = bk::String(user);
    out.server.port = *port != 0 ? *port : std::uint16_t{21};
    out.server.passive = true;
    return out;
}

bk::String DestinationAsWritten(const brim::BackupItem& job) {
    const std::optional<FtpDestination> ftp = ParseFtpDestination(job.destination);
    if (!ftp) return job.destination;
    for (const brim::FtpConnectInfo& known : job.ftp_servers) {
        if (!known.user.empty() && brim::same_ftp_host(known.server, ftp->server.server) &&
            known.port == ftp->server.port)
            return bk::String(brim::ftp_prefix) + known.user + u"@" + job.destination.substr(brim::ftp_prefix.size());
    }
    return job.destination;
}

void KeepFtpServer(brim::BackupItem& job, const brim::FtpConnectInfo& server) {
    for (brim::FtpConnectInfo& known : job.ftp_servers) {
        if (brim::same_ftp_host(known.server, server.server) && known.port == server.port) {
            known = server;
            return;
        }
    }
    job.ftp_servers.push_back(server);
}

const brim::BackupItem* FindNameClash(const brim::BackupItemManager& store, bk::StringView name,
                                      const brim::BackupItem* self) {
    for (const brim::BackupItem* other : store.items())
        if (other != self && same_text_ignoring_case(other->name, name)) return other;
    return nullptr;
}

NewJobField NameAndDestinationCheck::Check(bk::StringView name, bk::StringView destination) {
    const auto& strings = job_strings();
    if (name.empty() || name == strings.text(text_id::job_name_placeholder)) {
        show(text_id::enter_job_name, mb::ok | mb::icon_error);
        return NewJobField::name;
    }
    if (destination.empty()) {
        show(text_id::choose_destination, mb::ok | mb::icon_error);
        return NewJobField::destination;
    }
    const bool on_ftp = brim::is_ftp_path(destination);
    const std::optional<FtpDestination> ftp = ParseFtpDestination(destination);
    if (on_ftp && !ftp) {
        show(text_id::bad_ftp_destination, mb::ok | mb::icon_error, {destination});
        return NewJobField::destination;
    }
    // An FTP destination is no path of this machine: only its name is
    // checked by the local rules.
    switch (CheckBack(name, on_ftp ? bk::StringView() : destination)) {
        case check_name_fault: return NewJobField::name;
        case check_destination_fault: return NewJobField::destination;
        default: break;
    }
    // Checked on every pass, not only the first: the job itself is in the
    // store and never counts, and a name changed after going back must not
    // be one another job's set and report file already carry.
    if (const brim::BackupItem* other = FindNameClash(store_, name, &job_)) {
        show(strings.format(text_id::job_name_taken, {other->name}), mb::ok | mb::icon_error | mb::help,
             job_name_taken_help);
        return NewJobField::name;
    }
    if (ftp) {
        if (const NewJobField fault = CheckFtpServer(*ftp); fault != NewJobField::none) return fault;
    }
    job_.name = bk::String(name);
    job_.destination = ftp ? ftp->destination : bk::String(destination);
    if (ftp || job_.kind == brim::BackupKind::directory_copy) return NewJobField::none;
    return ClearExistingSet();
}

NewJobField NameAndDestinationCheck::CheckFtpServer(const FtpDestination& ftp) {
    brim::FtpConnectInfo server = ftp.server;
    if (!server.user.empty()) {
        const auto password = ask_(job_strings().format(text_id::ftp_password_prompt, {server.user, server.server}));
        if (!password) return NewJobField::destination;
        server.password = *password;
    }
    KeepFtpServer(job_, server);
    return NewJobField::none;
}

NewJobField NameAndDestinationCheck::ClearExistingSet() {
    const bk::String set = job_.archive_file();
    bool exists = false;
    try {
        exists = bk::File(set).exists();
    } catch (const bk::Exception&) {
    }
    if (!exists) return NewJobField::none;
    if (show(text_id::clear_existing_set, mb::yes_no | mb::icon_question, {set}) != button_id::yes)
        return NewJobField::destination;
    try {
        if (job_.replace_archive_file(false)) {
            const auto password = ask_(job_strings().format(text_id::set_password_prompt, {set}));
            if (!password) return NewJobField::destination;
            if (!job_.check_password(*password)) {
                show(text_id::set_password_wrong, mb::ok | mb::icon_error, {set});
                return NewJobField::destination;
            }
            job_.replace_archive_file(true);
        }
    } catch (const bk::Exception& error) {
        show(error.message(), mb::ok | mb::icon_error);
        return NewJobField::destination;
    }
    // The proof was of the old set's password, not one for this job.
    job_.password.clear();
    job_.password_state = brim::PasswordState::unknown;
    return NewJobField::none;
}

void SetJobSecurity(brim::BackupItem& job, bk::StringView password, std::uint32_t bits) {
    bits &= brim::job_option::security_mask;
    job.options = (job.options & ~brim::job_option::security_mask) | bits;
    if (bits == 0) {
        job.password.clear();
        job.password_state = brim::PasswordState::unknown;
    } else {
        job.crypted_password(password, false);
    }
}

void FinishNewJob(brim::BackupItem& job) {
    if (job.kind != brim::BackupKind::increment && job.kind != brim::BackupKind::increment_copy) job.trigger.reset();
    job.options &= ~brim::job_option::retry;
    if (job.kind == brim::BackupKind::merge_copy) SetJobSecurity(job, u"", 0);
}

void DiscardNewJob(brim::BackupItemManager& store, brim::BackupItem* job) {
    if (job == nullptr) return;
    if (!job->task_name.empty()) {
        if (taskplan::CTaskPlanner* planner = taskplan::CTaskPlanner::GetInstance(1)) planner->DeleteTask(job->task_name);
    }
    store.remove(job, false);
}

}  // namespace job
