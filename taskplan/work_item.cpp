#include "taskplan/work_item.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "basekit/convertion.h"
#include "basekit/file_ops.h"
#include "core/jobs/system_info.h"

namespace taskplan {
namespace {

constexpr std::string_view file_magic = "brimvault-task 1";
constexpr std::string_view file_suffix = ".task";

// Values keep to one line: backslash and line breaks escaped.
std::string escape(bk::StringView text) {
    std::string out;
    for (char c : bk::to_utf8(text)) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

bk::String unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return bk::from_utf8(out);
}

std::string encode_trigger(const ScheduleTrigger& t) {
    char line[160];
    std::snprintf(line, sizeof line, "%d %04d-%02d-%02d %02d:%02d %d %u %lu %u", static_cast<int>(t.type),
                  t.begin.year, t.begin.month, t.begin.day, t.hour, t.minute, t.interval,
                  static_cast<unsigned>(t.weekdays), static_cast<unsigned long>(t.month_days),
                  static_cast<unsigned>(t.months));
    return line;
}

std::optional<ScheduleTrigger> decode_trigger(const std::string& text) {
    ScheduleTrigger t;
    int type = 0;
    unsigned weekdays = 0, months = 0;
    unsigned long month_days = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%d %d-%d-%d %d:%d %d %u %lu %u %c", &type, &t.begin.year, &t.begin.month,
                    &t.begin.day, &t.hour, &t.minute, &t.interval, &weekdays, &month_days, &months, &rest) != 10) {
        return std::nullopt;
    }
    if (type < 0 || type > 7 || t.begin.month < 1 || t.begin.month > 12 || t.begin.day < 1 || t.begin.day > 31 ||
        t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.interval < 1) {
        return std::nullopt;
    }
    t.type = static_cast<TriggerType>(type);
    t.weekdays = static_cast<std::uint16_t>(weekdays & weekday_bit::all);
    t.month_days = static_cast<std::uint32_t>(month_days & 0x7FFFFFFFul);
    t.months = static_cast<std::uint16_t>(months & 0x0FFF);
    return t;
}

// File names of items: bytes outside a plain set written %XX, so that any
// name (a newline, a slash) is one file of the folder.
std::string file_name_of(bk::StringView name) {
    std::string out;
    for (unsigned char c : bk::to_utf8(name)) {
        if (std::isalnum(c) || c == '-' || c == '_') {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out + std::string(file_suffix);
}

std::string read_all(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::int64_t next_execution_time(const WorkItem& item, std::int64_t from) {
    std::int64_t next = 0;
    for (const ScheduleTrigger& trigger : item.triggers) {
        if (const auto at = next_run_at(trigger, from); at && (next == 0 || *at < next)) next = *at;
    }
    return next;
}

std::string encode_work_item(const WorkItem& item) {
    std::string text(file_magic);
    text += "\nname=" + escape(item.name);
    text += "\napplication=" + escape(item.application);
    text += "\nparameters=" + escape(item.parameters);
    text += "\naccount=" + escape(item.account);
    text += "\ncreated=" + std::to_string(item.created);
    text += "\nlast_fired=" + std::to_string(item.last_fired);
    text += std::string("\ncatch_up=") + (item.catch_up ? "1" : "0");
    for (const auto& variable : item.environment) text += "\nenvironment=" + escape(variable);
    for (const auto& trigger : item.triggers) text += "\ntrigger=" + encode_trigger(trigger);
    return text + "\n";
}

std::optional<WorkItem> decode_work_item(std::string_view text) {
    std::istringstream lines{std::string(text)};
    std::string line;
    if (!std::getline(lines, line) || line != file_magic) return std::nullopt;
    WorkItem item;
    bool named = false;
    try {
        while (std::getline(lines, line)) {
            const auto equals = line.find('=');
            if (equals == std::string::npos) return std::nullopt;
            const std::string key = line.substr(0, equals);
            const std::string value = line.substr(equals + 1);
            if (key == "name") item.name = unescape(value), named = true;
            else if (key == "application") item.application = unescape(value);
            else if (key == "parameters") item.parameters = unescape(value);
            else if (key == "account") item.account = unescape(value);
            else if (key == "created") item.created = std::stoll(value);
            else if (key == "last_fired") item.last_fired = std::stoll(value);
            else if (key == "catch_up") item.catch_up = value != "0";
            else if (key == "environment") item.environment.push_back(unescape(value));
            else if (key == "trigger") {
                const auto trigger = decode_trigger(value);
                if (!trigger) return std::nullopt;
                item.triggers.push_back(*trigger);
            }
        }
    } catch (const std::exception&) {  // a number that does not read
        return std::nullopt;
    }
    if (!named || item.name.empty()) return std::nullopt;
    return item;
}

WorkItemStore::WorkItemStore(bk::String folder) : folder_(std::move(folder)) {}

WorkItemStore WorkItemStore::of_user() {
    return WorkItemStore(brim::SystemInfo::config_path() + u"/schedule");
}

bk::String WorkItemStore::path_of(bk::StringView name) const {
    return folder_ + u"/" + bk::from_utf8(file_name_of(name));
}

std::vector<WorkItem> WorkItemStore::items() const {
    std::vector<WorkItem> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(bk::to_utf8(folder_), error)) {
        if (entry.path().extension() != file_suffix) continue;
        if (auto item = decode_work_item(read_all(entry.path()))) found.push_back(std::move(*item));
    }
    std::sort(found.begin(), found.end(), [](const WorkItem& a, const WorkItem& b) { return a.name < b.name; });
    return found;
}

std::optional<WorkItem> WorkItemStore::find(bk::StringView name) const {
    const std::filesystem::path path = bk::to_utf8(path_of(name));
    if (!std::filesystem::exists(path)) return std::nullopt;
    auto item = decode_work_item(read_all(path));
    if (item && item->name != name) return std::nullopt;
    return item;
}

bool WorkItemStore::exists(bk::StringView name) const {
    std::error_code error;
    return std::filesystem::exists(bk::to_utf8(path_of(name)), error);
}

void WorkItemStore::save(const WorkItem& item) const {
    std::error_code error;
    std::filesystem::create_directories(bk::to_utf8(folder_), error);
    bk::ReplacingFileWriter writer(path_of(item.name), 0600);
    const std::string text = encode_work_item(item);
    writer.stream().write(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<std::uint32_t>(text.size()));
    writer.commit();
}

void WorkItemStore::remove(bk::StringView name) const {
    std::error_code error;
    std::filesystem::remove(bk::to_utf8(path_of(name)), error);
}

}  // namespace taskplan
