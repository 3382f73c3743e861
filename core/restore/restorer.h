#pragma once
// The work of one restore run: writes the selected items of an opened set
// back, file by file from the set's data area, and applies what belongs to
// the end (symbolic links, then the folders' times and modes).
//
// Links are created only after every file, and a file is never opened
// through a symbolic link, so no file is written through a link that the
// restore made or found. Folders below the place restored to are created or
// checked one by one (restore_paths.h).
//
// Items that came from an FTP server and are restored to where they came
// from are written back through the FTP client.
//
// A local file is written under a temporary name beside its target and
// renamed over it only when all its data was read, deciphered and checked
// (staged_file.h): a file whose data turns out damaged or missing (its
// plain data does not match the digest kept beside the set), or a run that
// stops, leaves an existing file as it was. Of an item selected from
// several runs, only the copy the pick chose is written (item_pick.h).
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "basekit/file_stream.h"
#include "basekit/platform/os_fs.h"
#include "core/archive/digest_file.h"
#include "core/archive/digest_pipe.h"
#include "core/archive/run_data_reader.h"
#include "core/restore/item_pick.h"
#include "core/restore/opened_set.h"
#include "core/restore/restore_paths.h"
#include "core/security/data_cipher.h"

namespace brim {
class BackupSession;
}

namespace brim::restore {

class Restorer final {
public:
    // `pick` says which copy of each file to write; it must outlive the restorer.
    Restorer(BackupSession& session, const OpenedSet& set, bk::StringView target, std::uint32_t option,
             ItemPick& pick);
    Restorer(const Restorer&) = delete;
    Restorer& operator=(const Restorer&) = delete;

    // Restores one selected item (a grouping node: everything beneath it).
    // False when the run is to stop. Throws BackupException when a file's
    // data lies in a part of the set that is missing.
    bool restore_selected(const DataHeader& item);
    // Creates the links and sets the folders' times and modes.
    void finish();
    // True when files were to be written and every one of them failed.
    bool every_file_failed() const { return attempted_ > 0 && written_ == 0 && failed_ > 0; }

private:
    struct RunState {
        const archive::RunLayout* run = nullptr;
        std::unique_ptr<archive::RunDataReader> reader;
        std::unique_ptr<DataCipher> decipher;
        std::size_t stored_chunk = 0;
        // The digests of the run's files; a file without one is not compared.
        std::unordered_map<const DataHeader*, archive::FileDigest> digests;
    };
    struct PendingLink {
        const DataHeader* item;
        Destination where;
    };
    struct PendingFolder {
        const DataHeader* item;
        bk::String path;
    };

    using OutputOpener = std::function<std::unique_ptr<bk::OutputStream>()>;
    // Called with the written file's stream after its last byte, before it is closed.
    using OutputFinish = std::function<void(bk::OutputStream&)>;

    bool restore_directory(const DataHeader& directory, const Destination& where);
    bool restore_file(const DataHeader& item, const Destination& where);
    bool restore_ftp(const DataHeader& item, const bk::String& remote);
    bool restore_ftp_file(const DataHeader& item, const bk::String& remote);
    // The item's bytes written through the stream `open` gives, from the
    // set's data area or from the copy kinds' plain copy; false (the file
    // skipped with its warning) when that fails.
    bool write_stored(const DataHeader& item, const bk::String& path, RunState& state, const OutputOpener& open,
                      const OutputFinish& finish = {});
    bool copy_data(const DataHeader& item, const bk::String& path, RunState& state, const OutputOpener& open,
                   const OutputFinish& finish);
    // The copy kinds' runs hold no data: their items are read from the
    // ordinary files below the run's copy root.
    bool is_copy(const RunState& state) const;
    std::optional<bk::String> copy_of(const DataHeader& item, const RunState& state) const;
    bool copy_plain(const DataHeader& item, const bk::String& path, RunState& state, const OutputOpener& open,
                    const OutputFinish& finish);
    // Sets a restored file's mode and times through its open stream.
    void set_metadata(const DataHeader& item, const bk::String& path, bk::OutputStream& out);
    // A link's target as the set keeps it; nothing when it cannot be read.
    std::optional<bk::String> link_target(const DataHeader& item, RunState& state);
    void restore_link(const PendingLink& link);
    // Whether an existing file last modified at `existing_time` gives way,
    // by the option word; `ask` puts the question.
    bool replaces(const DataHeader& item, std::int64_t existing_time, const std::function<bool()>& ask) const;
    // Runs one step of restoring the entry at `path` and returns what it
    // returns; a failure skips the entry with its reason and gives false. A
    // part of the set that is missing still ends the run (BackupException).
    template <typename Step>
    bool attempt(const bk::String& path, Step&& step);
    // The run's reader; BackupException when the item's data lies beyond
    // the volumes that are there.
    RunState& state_for(const DataHeader& item);
    // The item's stored bytes begin with the data marker.
    bool has_data(const DataHeader& item, RunState& state);
    // False (the item skipped with its warning) when its run holds its data
    // not at all or only in part.
    bool backed_up_whole(const DataHeader& item, const bk::String& path);
    // Keeps a restored folder for finish(), once per path.
    void remember_folder(const DataHeader& directory, const bk::String& path);
    // The item's stored bytes end with the data marker.
    bool ends_with_marker(const DataHeader& item, RunState& state);
    // False (the item skipped with its warning) when the plain data written
    // has a digest and does not match it: the stored data has rotted.
    bool matches_digest(const DataHeader& item, const bk::String& path, RunState& state,
                        archive::DigestPipe::File& plain);
    // The pipe that takes the item's digest while it is restored; null when
    // it has none to be compared with.
    archive::DigestPipe* digest_pipe(const DataHeader& item, const RunState& state);
    void skip(const bk::String& path, const bk::String& reason);
    void skip(const bk::String& path, std::uint32_t reason_id);
    void file_done(const DataHeader& item);
    std::int64_t modified_time(const DataHeader& item) const;

    BackupSession& session_;
    const OpenedSet& set_;
    bk::String target_;
    std::uint32_t option_;
    Layout layout_;
    FolderMaker folders_;
    std::map<const archive::RunLayout*, RunState> runs_;
    std::vector<PendingLink> links_;
    std::vector<PendingFolder> folders_done_;
    std::map<bk::String, std::size_t> folder_places_;  // index into folders_done_ by path
    ItemPick& pick_;
    std::vector<std::uint8_t> stored_, plain_;
    std::optional<archive::SetDigests> set_digests_;  // read with the first file restored
    std::unique_ptr<archive::DigestPipe> pipe_;       // made for the first file with a digest
    std::uint32_t attempted_ = 0, written_ = 0, failed_ = 0;
};

}  // namespace brim::restore
