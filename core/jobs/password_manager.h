#pragma once
// The process-wide store of logon entries: the passwords of the accounts
// that scheduled jobs run under, each found by a key (the scheduling dialog
// uses the account's user name). They persist, enciphered under a key bound
// to the user who wrote them, in "secdata1.db" in the configuration
// directory, beside its companion "secdata.db" (core/jobs/logon_store_file.h).
// Used from the GUI thread; the scheduler adds, finds and deletes entries,
// the GUI saves the store when it changes.
#include <cstddef>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "basekit/types.h"

namespace brim {

struct LogonEntry {
    bk::String aux_text;  // the scheduling dialog stores it empty
    bk::String password;
};

class PasswordManager final {
public:
    static constexpr char16_t store_name[] = u"secdata1.db";
    static constexpr char16_t companion_name[] = u"secdata.db";

    // The store, created and loaded on the first call. Throws
    // OutOfMemoryException when it cannot be made, what load() throws, and
    // IOException when the configuration directory cannot be made.
    static PasswordManager* instance();
    // Destroys the store and every entry (their passwords wiped).
    static void del_instance();

    ~PasswordManager();
    PasswordManager(const PasswordManager&) = delete;
    PasswordManager& operator=(const PasswordManager&) = delete;

    // Ignored for an empty key or an absent auxiliary text; an entry with
    // the same key is replaced in its place, others go to the end.
    void add_entry(bk::StringView key, std::optional<bk::StringView> aux_text, bk::StringView password);
    // False for an empty key or a null `entry`. Otherwise sets `*entry` to
    // the stored entry (owned by the store, valid until it is replaced,
    // deleted or the store destroyed) and returns true, or to null and false.
    bool find_entry(bk::StringView key, LogonEntry** entry);
    // Removes and destroys the entry; an empty or unknown key does nothing.
    void delete_entry(bk::StringView key);
    std::size_t entry_count() const { return entries_.size(); }

    // Reads the entries of "secdata1.db" into an empty store; does nothing
    // while the store holds entries. A missing, foreign, newer, truncated or
    // damaged store, or one written by another user, loads nothing and is
    // left as it is. Throws IOException only when an existing file cannot
    // be read.
    void load();
    // With entries: rewrites "secdata.db" (failures ignored), then replaces
    // "secdata1.db" safely (temporary file, flush, rename) with mode 0600.
    // With none it writes nothing, so the files keep the last saved entries.
    // Throws ArgumentException for a text of more than 32 767 units and
    // IOException; the old store then stays as it was.
    void save();

    const bk::String& store_file() const { return store_file_; }
    const bk::String& companion_file() const { return companion_file_; }

private:
    PasswordManager();
    using Slot = std::pair<bk::String, std::unique_ptr<LogonEntry>>;
    std::vector<Slot>::iterator slot(bk::StringView key);

    std::vector<Slot> entries_;  // in insertion order; a handful at most
    bk::String store_file_;
    bk::String companion_file_;
};

}  // namespace brim
