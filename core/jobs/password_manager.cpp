#include "core/jobs/password_manager.h"

#include <algorithm>
#include <mutex>
#include <new>

#include "basekit/date.h"
#include "basekit/exception.h"
#include "basekit/path.h"
#include "basekit/system_file.h"
#include "core/core_strings.h"
#include "core/jobs/logon_store_file.h"
#include "core/jobs/secret_file.h"
#include "core/jobs/system_info.h"
#include "core/jobs/version.h"
#include "core/security/wipe.h"

namespace brim {
namespace {

std::mutex instance_mutex;
std::unique_ptr<PasswordManager> the_store;

void destroy_entry(std::unique_ptr<LogonEntry>& entry) {
    if (entry) wipe_string(entry->password);
    entry.reset();
}

std::uint32_t program_version() { return static_cast<std::uint32_t>(Version::instance()->to_int()); }

}  // namespace

PasswordManager::PasswordManager()
    : store_file_(bk::Path::combine(SystemInfo::config_path(), store_name)),
      companion_file_(bk::Path::combine(SystemInfo::config_path(), companion_name)) {}

PasswordManager::~PasswordManager() {
    for (Slot& entry : entries_) destroy_entry(entry.second);
}

PasswordManager* PasswordManager::instance() {
    std::lock_guard<std::mutex> guard(instance_mutex);
    if (!the_store) {
        try {
            std::unique_ptr<PasswordManager> store(new PasswordManager());
            store->load();
            the_store = std::move(store);
        } catch (const std::bad_alloc&) {
            throw bk::OutOfMemoryException(core_string(145));
        }
    }
    return the_store.get();
}

void PasswordManager::del_instance() {
    std::lock_guard<std::mutex> guard(instance_mutex);
    the_store.reset();
}

std::vector<PasswordManager::Slot>::iterator PasswordManager::slot(bk::StringView key) {
    return std::find_if(entries_.begin(), entries_.end(), [key](const Slot& entry) { return entry.first == key; });
}

void PasswordManager::add_entry(bk::StringView key, std::optional<bk::StringView> aux_text,
                                bk::StringView password) {
    if (key.empty() || !aux_text) return;
    auto entry = std::make_unique<LogonEntry>(LogonEntry{bk::String(*aux_text), bk::String(password)});
    const auto found = slot(key);
    if (found == entries_.end()) {
        entries_.emplace_back(bk::String(key), std::move(entry));
        return;
    }
    destroy_entry(found->second);
    found->second = std::move(entry);
}

bool PasswordManager::find_entry(bk::StringView key, LogonEntry** entry) {
    if (entry == nullptr) return false;
    *entry = nullptr;
    if (key.empty()) return false;
    const auto found = slot(key);
    if (found == entries_.end()) return false;
    *entry = found->second.get();
    return true;
}

void PasswordManager::delete_entry(bk::StringView key) {
    if (key.empty()) return;
    const auto found = slot(key);
    if (found == entries_.end()) return;
    destroy_entry(found->second);
    entries_.erase(found);
}

void PasswordManager::load() {
    if (!entries_.empty() || !bk::File(store_file_).exists()) return;
    // An oversized file is refused by its length: only its header is read.
    const bool oversized = bk::File(store_file_).length() >= logon_store::length_limit;
    const FileStart start = read_file_start(store_file_, oversized ? logon_store::header_size : logon_store::length_limit);
    std::vector<LogonRecord> records =
        decode_logon_store(start.bytes, start.length, program_version(), SystemInfo::current_user());
    for (const LogonRecord& record : records) add_entry(record.key, record.aux_text, record.password);
    wipe_records(records);
}

void PasswordManager::save() {
    if (entries_.empty()) return;
    std::vector<LogonRecord> records;
    for (const Slot& entry : entries_) records.push_back({entry.first, entry.second->aux_text, entry.second->password});
    const std::int64_t now = bk::Date::now_time();
    try {
        const std::vector<std::uint8_t> file = encode_logon_store(records, program_version(), now, SystemInfo::current_user());
        wipe_records(records);
        try {
            replace_secret_file(companion_file_, encode_logon_companion(program_version(), now));
        } catch (const bk::Exception&) {
        }
        replace_secret_file(store_file_, file);
    } catch (...) {
        wipe_records(records);
        throw;
    }
}

}  // namespace brim
