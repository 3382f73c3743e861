#pragma once
// Replacing a set without losing it before the new one is whole.
//
// The old set's main archive is moved aside under a name no set can have
// ("<main>~old"); its volumes and copy root folders keep their names (each
// volume names the main archive it belongs to, so a new set written under
// another name could not be renamed into place). Its digest file moves
// aside with it ("<main>~old.bvh"). The new run is written
// under the job's name, and the old set's files are deleted only once the
// new run is counted. A run that fails, stops or finds nothing takes the new
// files away and puts the old main archive back.
//
// A process that dies in between leaves the aside file; settle() finishes
// the replacement when the new set holds a complete run and takes it back
// otherwise. Only the owner of the data directory settles, before it writes
// (a reader may run beside a replacement that is still going on); readers
// read the old set while the new one holds no complete run
// (readable_main_path).
#include <cstdint>
#include <functional>
#include <vector>

#include "basekit/types.h"

namespace brim::archive {

// Hears of each file or folder of an old set just before it is deleted.
using Announce = std::function<void(const bk::String& path)>;

// Where the main archive at `main_path` waits while it is being replaced.
bk::String aside_path(bk::StringView main_path);

// The main archive a reader of the set at `main_path` reads: the old set
// waiting aside while the set under the job's name holds no complete run
// (a replacement going on, or one a crash interrupted), else `main_path`.
// Changes nothing. Never throws.
bk::String readable_main_path(bk::StringView main_path, bool has_copy_root, std::uint32_t program_major);

// Whether a copy root recorded in a set is a plain folder name of the
// destination. Anything else (a path, "..") did not come from us and is
// never deleted or written into.
bool is_plain_copy_root(bk::StringView name);

// The copy root folder names the runs of the copy-kind set at `main_path`
// record, each once and plain only; nothing when the set cannot be read.
std::vector<bk::String> recorded_copy_roots(bk::StringView main_path, std::uint32_t program_major);

// The bytes the set whose main archive is `main_path` takes: its files and
// the copy root folders its runs record below `destination`. Throws
// IOException when a part cannot be looked at.
std::uint64_t set_bytes(bk::StringView main_path, bk::StringView destination, bool has_copy_root,
                        std::uint32_t program_major);

// Deletes the set whose main archive is `main_path`: the copy root folders
// its runs record (below `destination`), its volumes, then the main archive
// (announced as `shown_main`). What cannot be read or deleted stays. Never
// throws.
void delete_set(bk::StringView main_path, bk::StringView shown_main, bk::StringView destination, bool has_copy_root,
                std::uint32_t program_major, const Announce& announce);

class SetReplacement final {
public:
    SetReplacement(bk::String main_path, bk::String destination, bool has_copy_root, std::uint32_t program_major);

    // Moves the main archive aside. Throws IOException when it cannot.
    void move_aside();
    // The new run is counted: the old set goes, each file announced.
    void complete(const Announce& announce);
    // The new run did not count: whatever stands under the job's name goes
    // and the old main archive comes back (nothing happens when nothing was
    // moved aside). Never throws.
    void undo();

    // Finishes or takes back a replacement that a crash interrupted (see the
    // top of this file). Never throws.
    static void settle(bk::StringView main_path, bk::StringView destination, bool has_copy_root,
                       std::uint32_t program_major);

private:
    // The old set's digest file back under the set's name, unless one is
    // there. Never throws.
    static void put_digests_back(bk::StringView main_path);

    bk::String main_path_;
    bk::String destination_;
    bool has_copy_root_;
    std::uint32_t program_major_;
    bool aside_ = false;
};

}  // namespace brim::archive
