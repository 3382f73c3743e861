#pragma once
// The listener interfaces through which a run tells its caller what it does.
// Every call arrives synchronously on the thread that runs the session; a
// listener must not throw and must not keep the texts beyond the call.
#include <cstdint>

#include "basekit/types.h"
#include "core/archive/data_header.h"

namespace brim {

class BaseEvent {
public:
    virtual ~BaseEvent() = default;
    virtual void end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) = 0;
    virtual void on_warning(const bk::String& text) = 0;
    virtual void on_error(const bk::String& text) = 0;
    virtual void on_size(std::uint32_t bytes) = 0;
    virtual void end_stop() = 0;
};

class BackupEvent : public BaseEvent {
public:
    virtual void begin_backup(const bk::String& job_name) = 0;
    virtual void begin_parse() = 0;
    virtual void delete_old_data(const bk::String& path) = 0;
    virtual void parse_source(const bk::String& path) = 0;
    virtual void end_backup() = 0;
    virtual void backup_dir(const bk::String& path) = 0;
    // A file whose size went with the announcement (at most one chunk).
    virtual void on_file(const bk::String& path, std::uint32_t size) = 0;
    // A larger file: its chunks follow through on_size.
    virtual void on_file(const bk::String& path) = 0;
    virtual void verify_file(const bk::String& path) = 0;
    virtual void on_message(const bk::String& text) = 0;
    // Questions; false keeps what is there.
    virtual bool replace_dir_file(const bk::String& source, const bk::String& target) = 0;
    virtual bool ftp_replace_file(const DataHeader& item, const bk::String& target) = 0;
};

class RestoreEvent : public BaseEvent {
public:
    virtual void begin_restore(const bk::String& job_name) = 0;
    virtual void end_restore() = 0;
    virtual void restore_dir(const bk::String& path) = 0;
    virtual void on_file(const bk::String& path, std::uint32_t size) = 0;
    virtual void on_file(const bk::String& path) = 0;
    virtual bool replace_file(const DataHeader& item, const bk::String& target) = 0;
    virtual bool replace_file(const bk::String& source, const bk::String& target) = 0;
    // An FTP target exists: its last-modified time (microseconds, 0 when the
    // server does not tell) and size.
    virtual bool replace_ftp_file(const DataHeader& item, const bk::String& target, std::int64_t remote_time,
                                  std::int64_t remote_size) = 0;
    virtual void verify_file(const bk::String& path) = 0;
};

// Asked when the next volume of a set is missing: `path` may be changed in
// place; true to look again, false to give up.
class OpenArchiveEvent {
public:
    virtual ~OpenArchiveEvent() = default;
    virtual bool locate_volume(bk::String& path) = 0;
};

// A BackupEvent that ignores everything; listeners override what they need.
class NullBackupEvent : public BackupEvent {
public:
    void end_parse(std::uint32_t, std::uint32_t, std::uint64_t) override {}
    void on_warning(const bk::String&) override {}
    void on_error(const bk::String&) override {}
    void on_size(std::uint32_t) override {}
    void end_stop() override {}
    void begin_backup(const bk::String&) override {}
    void begin_parse() override {}
    void delete_old_data(const bk::String&) override {}
    void parse_source(const bk::String&) override {}
    void end_backup() override {}
    void backup_dir(const bk::String&) override {}
    void on_file(const bk::String&, std::uint32_t) override {}
    void on_file(const bk::String&) override {}
    void verify_file(const bk::String&) override {}
    void on_message(const bk::String&) override {}
    bool replace_dir_file(const bk::String&, const bk::String&) override { return false; }
    bool ftp_replace_file(const DataHeader&, const bk::String&) override { return false; }
};

}  // namespace brim
