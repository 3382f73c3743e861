#include "core/archive/set_security.h"

#include <algorithm>

#include "basekit/exception.h"
#include "core/security/archive_keys.h"
#include "core/security/rijndael_cipher.h"
#include "core/security/wake_cipher.h"
#include "core/security/wipe.h"
#include "core/security/xor_cipher.h"

namespace brim::archive {
namespace {

PasswordBytes password_bytes(const ArchiveFormat& format) {
    return format.is_unicode() ? PasswordBytes::utf16le : PasswordBytes::ansi;
}

SourceTag source_tag(SourceType type) {
    switch (type) {
        case SourceType::directory: return SourceTag::directory;
        case SourceType::file: return SourceTag::file;
        case SourceType::ftp_server: return SourceTag::ftp_server;
        case SourceType::ftp_directory: return SourceTag::ftp_directory;
        case SourceType::ftp_file: return SourceTag::ftp_file;
    }
    return SourceTag::directory;
}

bool keeps_recursive_flag(SourceType type) { return type != SourceType::file && type != SourceType::ftp_file; }

JobKeySource job_key_source(const BackupItem& job) {
    JobKeySource source;
    source.job_name = job.name;
    source.creation_time = job.creation_time;
    source.source_count = static_cast<std::uint32_t>(job.sources.size());
    if (!job.sources.empty()) source.first_source_path = job.sources.front().path;
    return source;
}

// New salt and time value, the data key wrapped under the password's key,
// and the verifier over the plain key.
void seal(SecurityHeader& header, const ArchiveFormat& format, const DataKey& plain, bk::StringView password,
          std::int64_t now) {
    const FreshKeyMaterial fresh = fresh_key_material(now);
    header.salt = fresh.salt;
    header.time_value = fresh.time_value;
    header.verifier = key_verifier(plain.data(), header.time_value);
    std::copy(plain.bytes().begin(), plain.bytes().end(), header.data_key.begin());
    PasswordKey key = password_key(header.salt.data(), password, password_bytes(format));
    wrap_data_key(header.data_key.data(), key, header.iv.data());
    wipe(key.data(), key.size());
}

std::uint32_t time_value_at(std::int64_t now) {
    constexpr std::int64_t day = 86400000000;
    return static_cast<std::uint32_t>(((now % day) + day) % day);
}

[[noreturn]] void mismatch() { throw bk::IOException(u"The password of job and the associated backup set do not match"); }

}  // namespace

bool has_password(SecurityKind kind) { return kind != SecurityKind::none && kind != SecurityKind::password_removed; }

DataKey::~DataKey() { wipe(bytes_.data(), bytes_.size()); }

SecurityKind security_kind_of(std::uint32_t options) { return static_cast<SecurityKind>(security_kind(options)); }

SecurityHeader new_security_header(const BackupItem& job, const ArchiveFormat& format, std::int64_t now,
                                   DataKey& data_key) {
    SecurityHeader header;
    header.creation_time = job.creation_time;
    header.backup_kind = static_cast<std::uint16_t>(job.kind);
    header.security_kind = security_kind_of(job.options);
    header.job_name = job.name;
    for (const auto& source : job.sources)
        header.sources.push_back({source_tag(source.type), keeps_recursive_flag(source.type) && source.recursive, source.path});
    header.ftp_servers = job.ftp_servers;

    FreshKeyMaterial fresh = fresh_key_material(now);
    header.time_value = fresh.time_value;
    if (header.security_kind == SecurityKind::none) {
        header.salt.fill(0xFF);
        header.iv.fill(0xFF);
        header.data_key.fill(0xFF);
        header.verifier.fill(0xFF);
        header.job_wrapped_key.fill(0xFF);
        wipe(fresh.data_key.data(), fresh.data_key.size());
        return header;
    }
    header.salt = fresh.salt;
    header.iv = fresh.iv;
    data_key.bytes() = fresh.data_key;
    wipe(fresh.data_key.data(), fresh.data_key.size());
    header.verifier = key_verifier(data_key.data(), header.time_value);
    header.job_wrapped_key = job_slot_copy(data_key.data(), job_key_source(job));
    header.data_key = data_key.bytes();
    PasswordKey key = password_key(header.salt.data(), job.password, password_bytes(format));
    wrap_data_key(header.data_key.data(), key, header.iv.data());
    wipe(key.data(), key.size());
    return header;
}

bool unlock_data_key(const SecurityHeader& header, const ArchiveFormat& format, bk::StringView password,
                     DataKey& data_key) {
    data_key.bytes() = header.data_key;
    if (header.security_kind == SecurityKind::none) return true;
    if (has_password(header.security_kind)) {
        PasswordKey key = password_key(header.salt.data(), password, password_bytes(format));
        unwrap_data_key(data_key.data(), key, header.iv.data());
        wipe(key.data(), key.size());
    }
    return header.security_kind == SecurityKind::password_removed ||
           verifier_matches(data_key.data(), header.time_value, header.verifier.data());
}

std::unique_ptr<DataCipher> make_data_cipher(CipherId id, const DataKey& key, const SecurityHeader& header,
                                             bool decrypting) {
    switch (id) {
        case CipherId::xor_key: return std::make_unique<XorCipher>(key.data());
        case CipherId::wake: return std::make_unique<WakeCipher>(key.data());
        case CipherId::rijndael: return std::make_unique<RijndaelCipher>(key.data(), decrypting, header.iv.data());
        case CipherId::none: break;
    }
    return nullptr;
}

void add_password(SecurityHeader& header, const ArchiveFormat& format, const BackupItem& job, std::int64_t now) {
    if (has_password(header.security_kind)) throw bk::IOException(u"The backup set already had password");
    DataKey plain;
    if (header.security_kind == SecurityKind::none) {
        FreshKeyMaterial fresh = fresh_key_material(now);
        header.iv = fresh.iv;
        plain.bytes() = fresh.data_key;
        wipe(fresh.data_key.data(), fresh.data_key.size());
    } else {
        plain.bytes() = header.data_key;  // stored in clear since the password was removed
    }
    header.security_kind = security_kind_of(job.options);
    header.job_wrapped_key = job_slot_copy(plain.data(), job_key_source(job));
    seal(header, format, plain, job.password, now);
}

void change_password(SecurityHeader& header, const ArchiveFormat& format, const BackupItem& job,
                     bk::StringView old_password, std::int64_t now) {
    if (!has_password(header.security_kind)) {
        add_password(header, format, job, now);
        return;
    }
    DataKey plain;
    if (!unlock_data_key(header, format, old_password, plain)) mismatch();
    header.security_kind = security_kind_of(job.options);
    seal(header, format, plain, job.password, now);
}

void remove_password(SecurityHeader& header, const ArchiveFormat& format, bk::StringView old_password,
                     std::int64_t now) {
    if (!has_password(header.security_kind)) return;
    DataKey plain;
    if (!unlock_data_key(header, format, old_password, plain)) mismatch();
    header.security_kind = SecurityKind::password_removed;
    header.data_key = plain.bytes();
    header.salt.fill(0xFF);
    header.verifier.fill(0xFF);
    header.time_value = time_value_at(now);
}

}  // namespace brim::archive
