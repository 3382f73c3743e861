#pragma once
// A local folder that holds the files of an archive set kept on an FTP
// server while a run or a restore works on them. A set's run count, span
// words and trailers are rewritten in place as a run ends, which FTP cannot
// do: the files are fetched from the server into the folder, written there
// as on a local disk, and what changed is published back.
//
// A file need not be held whole: its outline keeps its length and every
// byte but the ones left out (a set file's run data), so that what is read
// of a set's structure is at hand while its data stays on the server. A
// file that is final before the run ends can be sent ahead, and is then
// kept as its outline too.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "basekit/stream.h"
#include "basekit/types.h"

namespace brim {

class FtpConnection;
class FtpPartialUpload;
class FtpRetryPolicy;

class FtpStaging final {
public:
    // Which remote files belong to the set, by name.
    using NameFilter = std::function<bool(bk::StringView name)>;

    // Bytes of a file left out of its outline.
    struct Hole {
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
    };

    // What the transfers tell their run as they go, and how the run stops
    // them; each member may be left empty. Called on the transferring thread.
    struct Watch {
        std::function<bool()> stopped;                       // polled between blocks of 64 KiB
        std::function<void(const bk::String& remote)> file;  // a file begins to travel
        std::function<void(std::uint32_t bytes)> bytes;      // bytes of it travelled
    };

    // Creates `folder` (its parents too) for the owner alone. Throws
    // IOException when it cannot be created.
    explicit FtpStaging(bk::String folder);
    // Removes the folder with everything in it, and deletes what was sent
    // ahead and never published; never throws.
    ~FtpStaging();
    FtpStaging(const FtpStaging&) = delete;
    FtpStaging& operator=(const FtpStaging&) = delete;

    const bk::String& folder() const { return folder_; }
    void set_watch(Watch watch) { watch_ = std::move(watch); }

    // Downloads the files of `remote_folder` (an "ftp://" path) that
    // `belongs` accepts into the folder, and remembers what each one was, so
    // that publish() sends only what changed. A remote folder that is not
    // there fetches nothing. False when the watch stopped it: the folder
    // then holds part of the set, not to be worked on. Throws FtpException
    // when a download fails for good (the retry rule of `policy`), or the
    // local file's IOException.
    [[nodiscard]] bool fetch(FtpConnection& connection, bk::StringView remote_folder, const NameFilter& belongs,
                             FtpRetryPolicy* policy);

    // Downloads the folder `name` of `remote_folder` with everything below
    // it into the folder under the same name (a copy root of the copy
    // kinds). These files are read only; publish() never sends them. A
    // remote folder that is not there fetches nothing. False when stopped;
    // throws as fetch().
    [[nodiscard]] bool fetch_tree(FtpConnection& connection, bk::StringView remote_folder, bk::StringView name,
                                  FtpRetryPolicy* policy);

    // Downloads the file `name` of `remote_folder` into the folder, to be
    // read only: publish() never sends it. False when the watch stopped it;
    // the part that came is removed then, and when the download throws (as
    // fetch() does).
    [[nodiscard]] bool fetch_file(FtpConnection& connection, bk::StringView remote_folder, bk::StringView name,
                                  FtpRetryPolicy* policy);
    // Removes the file `name` from the folder, when it is there; never throws.
    void remove(bk::StringView name);

    // Sends the set back as the folder now holds it: each file new or
    // changed since fetch() is uploaded under a temporary name; once all of
    // them are on the server, each is renamed over its own (the files `last`
    // accepts after all others, so that the file that leads to the rest is
    // replaced only once the rest is there); then each fetched file the
    // folder no longer holds is announced to `deleting` and deleted on the
    // server. False when the watch stopped it while the files were sent:
    // the temporary files are deleted and nothing was renamed, so the set
    // on the server is as it was. Throws FtpException when an upload fails
    // for good (the temporary files deleted, nothing renamed) or a rename
    // does; nothing is deleted then.
    [[nodiscard]] bool publish(FtpConnection& connection, bk::StringView remote_folder, FtpRetryPolicy* policy,
                               const NameFilter& last, const std::function<void(const bk::String& remote)>& deleting);

    // Rewrites the staged file `name` as its outline without `holes`: the
    // same length, the holes sparse where the file system allows. publish()
    // never sends an outline. Throws IOException.
    void outline(bk::StringView name, std::vector<Hole> holes);
    // Remembers what the outline of `name`, held whole, leaves out, so that
    // settle_whole() can make it.
    void note_holes(bk::StringView name, std::vector<Hole> holes) { holes_[bk::String(name)] = std::move(holes); }
    // Whether the folder holds `name` as the outline outline() made (a file
    // written since under the same name is not).
    bool is_outline(bk::StringView name) const;

    // Downloads `name` again over its outline, from its temporary name when
    // it was sent ahead; nothing for a file held whole. False when stopped.
    // Throws as fetch().
    [[nodiscard]] bool make_whole(FtpConnection& connection, bk::StringView remote_folder, bk::StringView name,
                                  FtpRetryPolicy* policy);

    // Sends the staged file `name`, final before the rest of the set, under
    // its temporary name now; publish() renames it into place with the
    // others; a file sent ahead again replaces what it sent before. The
    // staged copy becomes its outline without `holes`. False when stopped:
    // nothing of it is left on the server. Throws as publish().
    [[nodiscard]] bool send_ahead(FtpConnection& connection, bk::StringView remote_folder, bk::StringView name,
                                  FtpRetryPolicy* policy, std::vector<Hole> holes);

    // Turns each file held whole whose holes are known (an outline made
    // whole, note_holes()) into its outline, except `keep`; the ones that
    // changed since they were fetched are sent ahead first. False when
    // stopped.
    [[nodiscard]] bool settle_whole(FtpConnection& connection, bk::StringView remote_folder, FtpRetryPolicy* policy,
                                    bk::StringView keep);

    // Where the server holds the bytes the folder has only the outline of:
    // the remote path of `name` (its temporary name while it waits to be
    // published); nothing for a file held whole.
    std::optional<bk::String> remote_copy(bk::StringView remote_folder, bk::StringView name) const;

    // Reads back from the server every file publish() sent whole and
    // compares it with the staged copy; the remote paths of those that
    // differ. Throws FtpException when a file cannot be read back.
    std::vector<bk::String> differing_uploads(FtpConnection& connection, bk::StringView remote_folder,
                                              FtpRetryPolicy* policy) const;

private:
    struct Fetched {
        std::uint64_t size = 0;
        std::int64_t modified = 0;
    };
    // A file on the server under its temporary name, waiting for its rename.
    struct Pending {
        bk::String name;
        Fetched now;
        std::unique_ptr<FtpPartialUpload> upload;
    };

    // Copies `in` to `out` in blocks, telling the watch; false when stopped.
    bool transfer(bk::InputStream& in, bk::OutputStream& out) const;
    bool download(FtpConnection& connection, const bk::String& remote, const bk::String& local,
                  FtpRetryPolicy* policy) const;
    bool download_tree(FtpConnection& connection, const bk::String& remote, const bk::String& local,
                       FtpRetryPolicy* policy) const;

    bk::String folder_;
    Watch watch_;
    std::map<bk::String, Fetched> fetched_;  // by file name
    std::vector<bk::String> uploaded_;       // file names publish() sent
    std::map<bk::String, Fetched> outlines_;  // files held as their outline, as it was made
    std::map<bk::String, std::vector<Hole>> holes_;  // what each outline made leaves out
    std::vector<Pending> ahead_;             // sent ahead, by send_ahead()
};

}  // namespace brim
