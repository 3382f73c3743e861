#include "cli/console.h"

#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <stdexcept>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "basekit/platform/os_console.h"
#include "cli/command.h"
#include "cli/store_owner.h"
#include "cli/terminal_answers.h"
#include "core/jobs/backup_item_manager.h"

namespace brim::cli {

std::string out(bk::StringView text) { return bk::to_utf8(text); }

bk::String in(const std::string& text) { return bk::from_utf8(text); }

namespace {
thread_local std::ostream* captured = nullptr;
std::mutex held_mutex;
std::function<bool(const BackupItem&)> held_in_use;  // set while this process holds the store
}  // namespace

std::ostream& say() { return captured != nullptr ? *captured : std::cout; }
std::ostream& warn() { return captured != nullptr ? *captured : std::cerr; }

CapturedOutput::CapturedOutput(std::ostream& text) { captured = &text; }
CapturedOutput::~CapturedOutput() { captured = nullptr; }

bool can_prompt() { return captured == nullptr && bk::os::is_terminal_input(); }

void hold_store_here(std::function<bool(const BackupItem&)> in_use) {
    std::lock_guard lock(held_mutex);
    held_in_use = std::move(in_use);
}

void release_store_here() {
    std::lock_guard lock(held_mutex);
    held_in_use = nullptr;
}

namespace {
bool store_held_here() {
    std::lock_guard lock(held_mutex);
    return static_cast<bool>(held_in_use);
}
}  // namespace

bool job_in_use(const BackupItem& job) {
    std::lock_guard lock(held_mutex);
    return held_in_use && held_in_use(job);
}

void print_error(const std::string& text) { warn() << "brimvault-cli: " << text << '\n'; }

int store_busy() {
    print_error("another Brimvault program is using the job store; try again when it has finished");
    return 75;
}

bk::String read_password(const std::string& file, const std::string& prompt, bool confirm) {
    std::string line;
    if (!file.empty()) {
        std::ifstream source(file);
        if (!source) throw std::runtime_error("cannot read the password file " + file);
        std::getline(source, line);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return in(line);
    }
    if (!can_prompt()) throw std::runtime_error("a password is needed: give --password-file");
    std::cerr << prompt << ": " << std::flush;
    if (!bk::os::read_hidden_line(line)) throw std::runtime_error("no password given");
    if (confirm) {
        std::string again;
        std::cerr << "Again: " << std::flush;
        if (!bk::os::read_hidden_line(again) || again != line) throw std::runtime_error("the passwords differ");
    }
    return in(line);
}

const std::map<std::string, std::uint16_t>& weekday_bits() {
    static const std::map<std::string, std::uint16_t> days = {{"sun", 0x01}, {"mon", 0x02}, {"tue", 0x04},
                                                              {"wed", 0x08}, {"thu", 0x10}, {"fri", 0x20},
                                                              {"sat", 0x40}};
    return days;
}

int refuse_difference_job() {
    print_error("a difference job backs up nothing (the kind has no run of its own); use increment for the changes "
                "since the last run, or normal for a full backup");
    return exit_usage;
}

int job_not_found(const std::string& name) {
    print_error("no job named \"" + name + "\"");
    return exit_not_found;
}

std::unique_ptr<BackupSession> backup_session_for(BackupItem& job) {
    auto session = BackupSession::create_session(&job, SessionDirection::backup);
    if (!session) print_error("the job has no kind of backup that can run");
    return session;
}

bool prove_password(BackupItem& job, const std::string& password_file) {
    TerminalAnswers answers(password_file);
    return brim::prove_password(job, &answers);
}

namespace {
const std::map<std::string, ExistingPolicy> existing_words = {
    {"keep", ExistingPolicy::keep},       {"skip", ExistingPolicy::keep},   {"ask", ExistingPolicy::ask},
    {"by-time", ExistingPolicy::by_time}, {"older", ExistingPolicy::by_time}, {"replace", ExistingPolicy::replace}};
}  // namespace

std::vector<std::string> existing_word_list() {
    std::vector<std::string> words;
    for (const auto& [word, policy] : existing_words) words.push_back(word);
    return words;
}

std::string existing_words_help() {
    return "keep (or skip), ask, by-time (or older: replace when the archived file is newer) or replace";
}

ExistingPolicy existing_policy(const std::string& word) { return existing_words.at(word); }

BackupItem* job_named(bk::StringView name) {
    for (BackupItem* job : BackupItemManager::instance()->items())
        if (job->name == name) return job;
    return nullptr;
}

int refuse_job_name(bk::StringView name) {
    static const std::map<JobNameFault, std::string> reasons = {
        {JobNameFault::empty, "the name is empty"},
        {JobNameFault::dots, "\".\" and \"..\" cannot name a job"},
        {JobNameFault::separator, "the name holds a \"/\""},
        {JobNameFault::control, "the name holds a line break or another control character"},
        {JobNameFault::too_long, "the name is longer than " + std::to_string(max_job_name_bytes) + " bytes"}};
    const JobNameFault fault = job_name_fault(name);
    if (fault == JobNameFault::none) return 0;
    print_error("\"" + printable(name) + "\" cannot name a job: " + reasons.at(fault) +
                " (a job's name is the file name of its set and its report)");
    return exit_usage;
}

std::string printable(bk::StringView text) {
    std::string result;
    for (char c : out(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') result += "\\\\";
        else if (c == '\n') result += "\\n";
        else if (c == '\t') result += "\\t";
        else if (c == '\r') result += "\\r";
        else if (byte < 0x20 || byte == 0x7F) {
            static constexpr char digits[] = "0123456789abcdef";
            result += std::string("\\x") + digits[byte >> 4] + digits[byte & 0xF];
        } else {
            result += c;
        }
    }
    return result;
}

Store::Store(bool change) : change_(change), held_here_(change && store_held_here()) {
    if (change_ && !held_here_) {
        lock_ = StoreLock::try_acquire();
        if (!lock_) return;
    }
    BackupItemManager& store = *BackupItemManager::instance();
    try {
        store.load();
    } catch (const bk::Exception& failure) {
        // A damaged store: work with the jobs that can still be read.
        damage_ = out(failure.message());
        store.reload();
    }
    if (!store.partly_read()) {
        // Only a store known to be whole replaces its safety copies.
        if (change_) store.save_copy(safety_copy_days);
        return;
    }
    std::string names;
    for (const bk::String& name : store.left_out())
        names += (names.empty() ? "" : ", ") + (name.empty() ? std::string("(no name)") : "\"" + printable(name) + "\"");
    if (damage_.empty()) damage_ = "jobs left out";
    if (!names.empty()) damage_ += "; left out: " + names;
    print_error("the job store could not be read whole (" + damage_ + "); using the jobs that could");
}

std::optional<int> Store::refuse_changes() const {
    if (locked_out()) return hand_over_command();
    if (damage_.empty()) return std::nullopt;
    print_error("the job store was read only in part, and saving it now would lose the jobs that could not be read. "
                "\"brimvault-cli job repair\" keeps the damaged files aside and saves the jobs that could be read; "
                "\"brimvault-cli job repair --from-copy\" puts the last safety copy back");
    return exit_store_damaged;
}

BackupItem* Store::find(const std::string& name_or_id) const {
    if (BackupItem* job = job_named(in(name_or_id))) return job;
    if (!name_or_id.empty() && name_or_id.size() <= 9 && name_or_id.find_first_not_of("0123456789") == std::string::npos)
        return BackupItemManager::instance()->backup_item(static_cast<std::uint32_t>(std::stoul(name_or_id)));
    return nullptr;
}

void Store::save() const {
    BackupItemManager& store = *BackupItemManager::instance();
    if (store.partly_read()) store.save_reports();
    else store.save();
}

}  // namespace brim::cli
