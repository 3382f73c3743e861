#include "core/jobs/backup_item_report.h"

#include "basekit/date.h"
#include "basekit/exception.h"
#include "basekit/text_format.h"
#include "core/backup_exception.h"
#include "core/jobs/store_text.h"

namespace brim {
namespace {

constexpr bk::StringView type_names[] = {u"copy",     u"normal",   u"increment", u"increment_copy",
                                         u"merge_copy", u"dir_copy", u"restore",   u"burner"};
constexpr bk::StringView result_names[] = {u"Successful", u"Having warnings", u"Stopped",
                                           u"Stopped with warnings", u"Aborted", u"Failed"};
constexpr std::uint32_t damaged_report = 120;

[[noreturn]] void unreadable() { throw BackupException(damaged_report); }

// The type whose name matches `text` without the name's last character.
ReportType report_type_from_name(bk::StringView text) {
    const int index = store_text::match_name(text, type_names);
    return index < 0 ? ReportType::none : static_cast<ReportType>(index);
}

bk::String next_line(bk::DataInputStream& in) {
    try {
        return in.read_line();
    } catch (const bk::EOFException&) {
        unreadable();
    }
}

// "\t\t<name>" + decimal + "</name>".
std::uint64_t read_number(bk::DataInputStream& in, bk::StringView name, std::uint64_t max) {
    const bk::String line = next_line(in);
    if (!line.starts_with(u"\t\t<") || store_text::element_name(line) != name) unreadable();
    const bk::String text = store_text::element_text(line);
    std::int64_t value = 0;
    if (text.starts_with(u'-') && max == UINT64_MAX) {
        if (!store_text::parse_int64(text, value)) unreadable();
        return static_cast<std::uint64_t>(value);
    }
    std::uint64_t unsigned_value = 0;
    for (char16_t c : text) {
        const auto digit = static_cast<std::uint64_t>(c - u'0');
        if (c < u'0' || c > u'9' || unsigned_value > (UINT64_MAX - digit) / 10) unreadable();
        unsigned_value = unsigned_value * 10 + digit;
    }
    if (text.empty() || unsigned_value > max) unreadable();
    return unsigned_value;
}

void read_header_line(bk::DataInputStream& in, BackupItemReport& report) {
    const bk::String line = next_line(in);
    std::vector<std::pair<bk::String, bk::String>> attributes;
    if (!line.starts_with(u"\t<") || store_text::element_name(line) != u"report" ||
        !store_text::attributes(line, attributes))
        unreadable();
    bool has_type = false, has_time = false;
    for (const auto& [name, value] : attributes) {
        if (name == u"type") {
            report.type = report_type_from_name(value);
            has_type = report.type != ReportType::none;
        } else if (name == u"execution-time") {
            has_time = store_text::parse_int64(value, report.execution_time);
        }
    }
    if (!has_type || !has_time) unreadable();
}

}  // namespace

bk::StringView report_type_name(ReportType type) {
    const auto index = static_cast<std::size_t>(type);
    return index < std::size(type_names) ? type_names[index] : bk::StringView();
}

bk::StringView run_result_name(std::int32_t result) {
    const auto index = static_cast<std::size_t>(result);
    return result >= 0 && index < std::size(result_names) ? result_names[index] : bk::StringView();
}

BackupItemReport::BackupItemReport(ReportType type, std::int64_t execution_time)
    : execution_time(execution_time), type(type) {}

BackupItemReport::BackupItemReport(const BackupItemReport& other)
    : execution_time(other.execution_time), begin_time(other.begin_time), end_time(other.end_time),
      original_size(other.original_size), original_files(other.original_files),
      original_dirs(other.original_dirs), completed_size(other.completed_size),
      completed_files(other.completed_files), completed_dirs(other.completed_dirs), result(other.result),
      type(other.type) {
    for (const auto& item : other.logs_) add_log(item.get());
}

void BackupItemReport::add_log(const LogItem* item) {
    if (item != nullptr) logs_.push_back(std::make_unique<LogItem>(*item));
}

std::vector<const LogItem*> BackupItemReport::log_items() const {
    std::vector<const LogItem*> out;
    for (const auto& item : logs_) out.push_back(item.get());
    return out;
}

void BackupItemReport::write(bk::DataOutputStream& out, bool export_form) const {
    using bk::format_text;
    const bk::String type_name(report_type_name(type));
    if (export_form) {
        out.write_line(format_text(u"\t<report type=\"%s\" execution-time=\"%s\">",
                                   {type_name, bk::Date(execution_time).to_string()}));
        out.write_line(format_text(u"\t\t<begin-time>%s</begin-time>",
                                   {bk::Date(begin_time).to_time_string(bk::TimePattern::Short)}));
        out.write_line(format_text(u"\t\t<end-time>%s</end-time>",
                                   {bk::Date(end_time).to_time_string(bk::TimePattern::Short)}));
    } else {
        out.write_line(format_text(u"\t<report type=\"%s\" execution-time=\"%I64d\">", {type_name, execution_time}));
        out.write_line(format_text(u"\t\t<begin-time>%I64d</begin-time>", {begin_time}));
        out.write_line(format_text(u"\t\t<end-time>%I64d</end-time>", {end_time}));
    }
    out.write_line(format_text(u"\t\t<original-size>%I64u</original-size>", {original_size}));
    out.write_line(format_text(u"\t\t<original-files>%u</original-files>", {original_files}));
    out.write_line(format_text(u"\t\t<original-dirs>%u</original-dirs>", {original_dirs}));
    out.write_line(format_text(u"\t\t<completed-size>%I64u</completed-size>", {completed_size}));
    out.write_line(format_text(u"\t\t<completed-files>%u</completed-files>", {completed_files}));
    out.write_line(format_text(u"\t\t<completed-dirs>%u</completed-dirs>", {completed_dirs}));
    out.write_line(format_text(u"\t\t<result>%s</result>", {run_result_name(result)}));
    const TimeForm form = export_form ? TimeForm::date_text : TimeForm::decimal;
    for (const auto& item : logs_) out.write_line(log_line(*item, 2, form));
    out.write_line(u"\t</report>");
}

std::unique_ptr<BackupItemReport> BackupItemReport::read(bk::DataInputStream& in) {
    auto report = std::make_unique<BackupItemReport>(ReportType::none, 0);
    read_header_line(in, *report);
    report->begin_time = static_cast<std::int64_t>(read_number(in, u"begin-time", UINT64_MAX));
    report->end_time = static_cast<std::int64_t>(read_number(in, u"end-time", UINT64_MAX));
    report->original_size = read_number(in, u"original-size", UINT64_MAX);
    report->original_files = static_cast<std::uint32_t>(read_number(in, u"original-files", UINT32_MAX));
    report->original_dirs = static_cast<std::uint32_t>(read_number(in, u"original-dirs", UINT32_MAX));
    report->completed_size = read_number(in, u"completed-size", UINT64_MAX);
    report->completed_files = static_cast<std::uint32_t>(read_number(in, u"completed-files", UINT32_MAX));
    report->completed_dirs = static_cast<std::uint32_t>(read_number(in, u"completed-dirs", UINT32_MAX));
    const bk::String result_line = next_line(in);
    if (!result_line.starts_with(u"\t\t<") || store_text::element_name(result_line) != u"result") unreadable();
    const bk::String result = store_text::element_text(result_line);
    report->result = -1;
    for (std::size_t i = 0; i < std::size(result_names); ++i)
        if (result == result_names[i]) report->result = static_cast<std::int32_t>(i);
    if (report->result < 0) unreadable();
    for (;;) {
        const bk::String line = next_line(in);
        if (!line.starts_with(u"\t\t")) break;  // the closing tag
        try {
            report->logs_.push_back(std::make_unique<LogItem>(parse_log_line(line, TimeForm::decimal)));
        } catch (const BackupException&) {
            unreadable();
        }
    }
    return report;
}

}  // namespace brim
