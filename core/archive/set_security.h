#pragma once
// The key material of a set's security header: building it for a new set,
// unlocking the data key with a password, and the three rewrites a job
// password makes (add, change, remove). Plain data keys live in DataKey
// buffers that wipe themselves.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "basekit/types.h"
#include "core/archive/archive_format.h"
#include "core/archive/archive_records.h"
#include "core/jobs/backup_item.h"
#include "core/security/data_cipher.h"

namespace brim::archive {

// A plain 32-byte data key, wiped when it goes.
class DataKey final {
public:
    DataKey() = default;
    ~DataKey();
    DataKey(const DataKey&) = delete;
    DataKey& operator=(const DataKey&) = delete;
    std::uint8_t* data() { return bytes_.data(); }
    const std::uint8_t* data() const { return bytes_.data(); }
    std::array<std::uint8_t, key_size>& bytes() { return bytes_; }
    const std::array<std::uint8_t, key_size>& bytes() const { return bytes_; }

private:
    std::array<std::uint8_t, key_size> bytes_{};
};

// The security header of a new set for `job` at time `now`: fresh salt, IV
// and data key from the random pool, the data key wrapped under the key of
// the job's password (the empty password without one), the verifier and the
// job-slot copy; 0xFF in every key field of a job without security.
// `data_key` receives the plain key for the run's cipher.
SecurityHeader new_security_header(const BackupItem& job, const ArchiveFormat& format, std::int64_t now,
                                   DataKey& data_key);

// Proves `password` against the header: unwraps the data key (kinds other
// than 0 and 8) and compares the verifier. The plain key on success.
bool unlock_data_key(const SecurityHeader& header, const ArchiveFormat& format, bk::StringView password,
                     DataKey& data_key);

// The cipher of a run's data over the plain key and the set's IV; null for
// no cipher. The caller owns it.
std::unique_ptr<DataCipher> make_data_cipher(CipherId id, const DataKey& key, const SecurityHeader& header,
                                             bool decrypting);

// Whether the set's data key is wrapped under a password (not kinds 0 and 8).
bool has_password(SecurityKind kind);

// The security kind a job's options ask for.
SecurityKind security_kind_of(std::uint32_t options);

// The header rewrites a job password makes. Each keeps the IV and the data
// key, so the enciphered data stays readable, and throws IOException with
// the user's message when the password does not fit:
//  - add: the set must have no password (kind 0 or 8); kind 0 draws fresh
//    key material first;
//  - change: proves `old_password` first ("The password of job and the
//    associated backup set do not match");
//  - remove: proves `old_password`, then stores the data key in clear (kind 8).
void add_password(SecurityHeader& header, const ArchiveFormat& format, const BackupItem& job, std::int64_t now);
void change_password(SecurityHeader& header, const ArchiveFormat& format, const BackupItem& job,
                     bk::StringView old_password, std::int64_t now);
void remove_password(SecurityHeader& header, const ArchiveFormat& format, bk::StringView old_password,
                     std::int64_t now);

}  // namespace brim::archive

namespace brim::archive {

struct StoredSecurityHeader {
    bk::String path;  // the main archive
    std::unique_ptr<ArchiveFormat> format;
    SecurityHeader header;
};

// The security header of the set at `path`; a ".bvs" volume leads to the
// main archive it names, beside it. Nothing when there is no set there (no
// file, a file of 12 bytes or fewer, a file that is not a set); IOException
// "The backup set "%s" does not exist" when a volume names a missing archive.
std::optional<StoredSecurityHeader> read_stored_security_header(bk::StringView path, std::uint32_t program_major);

// Writes the header back over itself (its length is unchanged) and puts it
// on the disk.
void write_stored_security_header(const StoredSecurityHeader& stored);

}  // namespace brim::archive
