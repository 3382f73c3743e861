#pragma once
// Remote entries: files and directories on an FTP server.
#include <cstdint>
#include <memory>
#include <vector>

#include "basekit/types.h"

namespace brim {

class FtpConnection;

// An entry on a server: its connection (not owned; it must outlive the
// entry), its full name (an "ftp://" path or a remote path) and its
// last-modified time in microseconds since 1970 UTC (0 when unknown).
class FtpContext {
public:
    virtual ~FtpContext() = default;
    FtpContext(const FtpContext&) = default;
    FtpContext& operator=(const FtpContext&) = default;

    // The last component of the full name.
    virtual bk::String get_name() const;
    // Removes the entry from the server; throws FtpException.
    virtual void remove() = 0;

    const bk::String& get_full_name() const { return full_name_; }
    std::int64_t get_modified_time() const { return modified_time_; }
    FtpConnection& connection() const { return *connection_; }
    // Reconnects the entry's connection; throws FtpException.
    void reconnect();

protected:
    FtpContext(FtpConnection& connection, bk::String full_name, std::int64_t modified_time);

private:
    FtpConnection* connection_;
    bk::String full_name_;
    std::int64_t modified_time_;
};

class FtpFile final : public FtpContext {
public:
    // Asks the server for the file's size and time at once. A name ending in
    // "*" takes the first entry whose name starts with what precedes it;
    // otherwise only the entry of exactly that name counts. Throws
    // FtpException "Can't get size of file on FTP Server." when there is
    // none or the server cannot list its directory.
    FtpFile(FtpConnection& connection, bk::StringView name);
    // Known values; the server is not asked.
    FtpFile(FtpConnection& connection, bk::String name, std::int64_t modified_time, std::int64_t length);

    std::int64_t get_length() const { return length_; }
    // Throws FtpException "Can't delete the file from FTP server.".
    void remove() override;

private:
    std::int64_t length_ = 0;
};

class FtpDirectory final : public FtpContext {
public:
    FtpDirectory(FtpConnection& connection, bk::String name, std::int64_t modified_time = 0);

    // Removes the (empty) directory; throws FtpException "Can't delete the
    // directory from FTP server.".
    void remove() override;
    // Creates the directory `name` (an "ftp://" path, an absolute remote
    // path, or one relative to the connection's current directory); throws
    // FtpException "Can't create directory on FTP server.".
    void create_new_directory(bk::StringView name);
    // Appends the directory's entries, without "." and "..": directories to
    // `directories`, files with their sizes to `files`; the caller owns them.
    // A full name ending in "*" lists only the entries whose names start with
    // what precedes the "*". Entries' full names join the directory's name
    // and theirs. An empty directory adds nothing. Throws FtpException
    // "Can't list files and directories on FTP server.".
    void generate_list(std::vector<std::unique_ptr<FtpDirectory>>& directories,
                       std::vector<std::unique_ptr<FtpFile>>& files) const;
};

}  // namespace brim
