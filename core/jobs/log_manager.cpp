#include "core/jobs/log_manager.h"

#include <new>

#include "basekit/buffered_stream.h"
#include "basekit/date.h"
#include "basekit/file_ops.h"
#include "basekit/file_stream.h"
#include "basekit/path.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/backup_exception.h"
#include "core/core_strings.h"
#include "core/jobs/locked_text_file.h"
#include "core/jobs/store_copy.h"
#include "core/jobs/store_streams.h"
#include "core/jobs/store_text.h"
#include "core/jobs/system_info.h"

namespace brim {
namespace {

constexpr char16_t file_comment[] = u"<!-- This file represents Orvex Brimvault log -->";
constexpr char16_t export_comment[] = u"<!-- This log file was exported by Orvex Brimvault-->";
constexpr char16_t text_title[] = u"## This log file is exported by Orvex Brimvault";
constexpr char16_t text_columns[] = u"## type\tsource\tuser\ttime\tdescription";
// The closing line and a little more may pass the limit before it rolls over.
constexpr std::uint32_t size_slack = 128;

std::mutex instance_mutex;
std::unique_ptr<LogManager> the_log;

BackupException as_backup_exception(const bk::Exception& error) {
    if (const auto* backup = dynamic_cast<const BackupException*>(&error)) return *backup;
    return BackupException(error.message());
}

// A whole log file: header, the entries, the closing line.
std::vector<std::uint8_t> whole_file(const LogItem* item) {
    store_text::LineBuffer buffer;
    store_text::write_header(buffer.out(), file_comment);
    if (item != nullptr) buffer.line(log_line(*item, 1, TimeForm::decimal));
    store_text::write_closing(buffer.out());
    return buffer.bytes();
}

std::vector<bk::String> split_tabs(bk::StringView line, std::size_t fields) {
    std::vector<bk::String> out;
    while (out.size() + 1 < fields) {
        const auto tab = line.find(u'\t');
        if (tab == bk::StringView::npos) break;
        out.emplace_back(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    out.emplace_back(line);
    return out;
}

}  // namespace

LogManager::LogManager(bk::String path) : path_(std::move(path)) {
    const bk::File file(path_);
    if (file.exists()) {
        file_ready_ = file.length() >= 15;
    } else if (bk::SystemFile::file_attrs(path_) != bk::file_attribute::not_found) {
        bk::SystemFile::throw_io_exception(2, true, path_);
    }
}

LogManager::~LogManager() = default;

LogManager* LogManager::instance() {
    std::lock_guard<std::mutex> guard(instance_mutex);
    if (!the_log) {
        try {
            the_log.reset(new LogManager(bk::Path::combine(SystemInfo::log_path(), file_name)));
        } catch (const std::bad_alloc&) {
            throw BackupException(std::uint32_t{145});
        } catch (const bk::Exception& error) {
            throw as_backup_exception(error);
        }
    }
    return the_log.get();
}

void LogManager::del_instance() {
    std::lock_guard<std::mutex> guard(instance_mutex);
    the_log.reset();
}

LogItem LogManager::make_item(LogType type, bk::StringView description, bk::StringView job_name,
                              bool from_system) const {
    LogItem item;
    item.type = type;
    item.from_system = from_system;
    item.source = from_system ? bk::String(u"System") : bk::String(job_name);
    item.time = bk::Date::now_time();
    item.description = bk::String(description);
    item.user = SystemInfo::current_user();
    return item;
}

bool LogManager::keep(const LogItem& item) {
    try {
        auto kept = std::make_unique<LogItem>(item);
        std::lock_guard<std::mutex> guard(mutex_);
        // Nobody may be collecting (a program without a window): the oldest go.
        if (new_items_.size() >= max_new_items)
            new_items_.erase(new_items_.begin(), new_items_.begin() + (new_items_.size() - max_new_items + 1));
        new_items_.push_back(std::move(kept));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<LogItem> LogManager::create_log_item(LogType type, bk::StringView description) {
    try {
        LogItem item = make_item(type, description, {}, true);
        if (keep(item)) return item;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

std::optional<LogItem> LogManager::create_log_item(LogType type, bk::StringView description,
                                                   bk::StringView job_name) {
    try {
        LogItem item = make_item(type, description, job_name, false);
        if (keep(item)) return item;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

void LogManager::log(const LogItem* item) {
    if (item == nullptr) return;
    try {
        std::lock_guard<std::mutex> guard(mutex_);
        write_entry(*item);
    } catch (const std::exception&) {
    }
}

void LogManager::write_entry(const LogItem& item) {
    LockedTextFile file(path_);
    if (!file.is_complete()) {
        // A damaged log of some length is kept aside rather than lost.
        if (file.size() >= 15) copy_private(path_, copy_path());
        file.rewrite(whole_file(&item));
    } else if (file.size() >= static_cast<std::int64_t>(max_size_) + size_slack) {
        copy_private(path_, copy_path());
        file.rewrite(whole_file(&item));
    } else {
        store_text::LineBuffer buffer;
        buffer.line(log_line(item, 1, TimeForm::decimal));
        store_text::write_closing(buffer.out());
        file.append(buffer.bytes());
    }
    file_ready_ = true;
}

// The entry is written from a copy of its own, so that another thread taking
// the new entries (and destroying them) cannot pull it away mid-write.
void LogManager::log(LogType type, bk::StringView text) {
    try {
        LogItem item = make_item(type, text, {}, true);
        keep(item);
        log(&item);
    } catch (const std::exception&) {
    }
}

void LogManager::log(LogType type, bk::StringView text, bk::StringView job_name) {
    try {
        LogItem item = make_item(type, text, job_name, false);
        keep(item);
        log(&item);
    } catch (const std::exception&) {
    }
}

void LogManager::log(LogType type, std::uint32_t id) { log(type, core_string(id)); }

void LogManager::log(LogType type, std::uint32_t id, bk::StringView job_name) {
    log(type, core_string(id), job_name);
}

LogItemList LogManager::new_items() {
    std::lock_guard<std::mutex> guard(mutex_);
    LogItemList out;
    out.swap(new_items_);
    return out;
}

void LogManager::rewrite_empty() {
    LockedTextFile file(path_);
    file.rewrite(whole_file(nullptr));
    file_ready_ = true;
}

void LogManager::clear() {
    std::lock_guard<std::mutex> guard(mutex_);
    new_items_.clear();
    try {
        rewrite_empty();
    } catch (const bk::Exception& error) {
        throw as_backup_exception(error);
    }
}

void LogManager::read_entries(bk::DataInputStream& in, LogItemList& list, TimeForm form) {
    store_text::check_header(in);
    while (in.peek() == '\t') list.push_back(std::make_unique<LogItem>(parse_log_line(store_text::read_line(in), form)));
    store_text::read_line(in);
}

void LogManager::load(LogItemList& list) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!bk::File(path_).exists()) return;
    new_items_.clear();
    LogItemList read;
    try {
        StoreReader reader(path_, true);
        read_entries(reader.in(), read, TimeForm::decimal);
    } catch (const bk::Exception& error) {
        throw as_backup_exception(error);
    }
    for (auto& item : read) list.push_back(std::move(item));
}

bk::String LogManager::copy_path() const { return bk::Path::combine(bk::Path::directory_name(path_), copy_name); }

void LogManager::save_copy(std::int32_t days) {
    std::lock_guard<std::mutex> guard(mutex_);
    try {
        if (!bk::File(path_).exists()) return;
        LockedTextFile file(path_);
        refresh_dated_copy(path_, copy_path(), days);
    } catch (const bk::Exception&) {
    }
}

bool LogManager::load_copy(LogItemList& list) {
    if (!bk::File(copy_path()).exists()) return false;
    try {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            LockedTextFile file(path_);
            bk::copy_file(copy_path(), path_);
        }
        load(list);
    } catch (const bk::Exception&) {
        try {
            std::lock_guard<std::mutex> guard(mutex_);
            rewrite_empty();
        } catch (const bk::Exception&) {
        }
    }
    return true;
}

void LogManager::write_entries(bk::DataOutputStream& out, bk::StringView comment, const LogItemList& items,
                               TimeForm form) {
    store_text::write_header(out, comment);
    for (const auto& item : items) out.write_line(log_line(*item, 1, form));
    store_text::write_closing(out);
}

void LogManager::export_log(bk::StringView path, LogFileFormat format) {
    try {
        LogItemList items;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (bk::File(path_).exists()) {
                StoreReader reader(path_, true);
                read_entries(reader.in(), items, TimeForm::decimal);
            }
        }
        StoreWriter writer(path);
        if (format == LogFileFormat::xml) {
            write_entries(writer.out(), export_comment, items, TimeForm::date_text);
        } else {
            writer.out().write_line(text_title);
            writer.out().write_line(text_columns);
            // The text form keeps one entry per line, so line breaks cannot stay.
            for (const auto& item : items)
                writer.out().write_line(bk::String(log_type_name(item->type)) + u'\t' + item->source_text() + u'\t' +
                                        item->user + u'\t' + bk::Date(item->time).to_string() + u'\t' +
                                        strip_line_breaks(item->description));
        }
        writer.finish();
    } catch (const bk::Exception& error) {
        log(LogType::error, bk::format_text(core_string(153), {path, error.message()}));
        throw as_backup_exception(error);
    }
}

LogItemList LogManager::import_log(bk::StringView path, LogFileFormat format) {
    LogItemList items;
    try {
        StoreReader reader(path);
        bk::DataInputStream& in = reader.in();
        if (format == LogFileFormat::xml) {
            read_entries(in, items, TimeForm::date_text);
            return items;
        }
        while (in.peek() != -1) {
            const bk::String line = store_text::read_line(in);
            if (line.empty() || line.starts_with(u"##")) continue;
            const std::vector<bk::String> fields = split_tabs(line, 5);
            if (fields.size() != 5) throw BackupException(std::uint32_t{104});
            auto item = std::make_unique<LogItem>();
            item->type = log_type_from_name(fields[0]);
            if (item->type == LogType::none) throw BackupException(std::uint32_t{104});
            set_source_from_text(*item, fields[1]);
            item->user = fields[2];
            item->time = parse_log_time(fields[3], TimeForm::date_text);
            item->description = fields[4];
            items.push_back(std::move(item));
        }
    } catch (const bk::Exception& error) {
        throw as_backup_exception(error);
    }
    return items;
}

}  // namespace brim
