// A job as one line of tab-separated text (the text export of the job store).
#include "basekit/date.h"
#include "basekit/exception.h"
#include "basekit/string_helpers.h"
#include "core/jobs/job_file_codec.h"
#include "core/jobs/store_text.h"

namespace brim {
namespace {

// The prefix of each source: [0] recursive directory, [1] directory, [2]
// file, [3] recursive FTP server, [4] FTP server, [5] recursive FTP
// directory, [6] FTP directory, [7] FTP file.
struct SourcePrefix {
    SourceType type;
    bool recursive;
};
constexpr SourcePrefix prefixes[] = {
    {SourceType::directory, true},      {SourceType::directory, false},     {SourceType::file, false},
    {SourceType::ftp_server, true},     {SourceType::ftp_server, false},    {SourceType::ftp_directory, true},
    {SourceType::ftp_directory, false}, {SourceType::ftp_file, false},
};
constexpr std::size_t field_count = 13;

bk::String yes_no(bool flag) { return flag ? u"yes" : u"no"; }

bk::String prefix_of(const SourceData& source) {
    for (std::size_t i = 0; i < std::size(prefixes); ++i)
        if (prefixes[i].type == source.type && (prefixes[i].recursive == source.recursive || source.type == SourceType::file ||
                                                source.type == SourceType::ftp_file))
            return u"[" + bk::String(1, static_cast<char16_t>(u'0' + i)) + u"]";
    return u"[1]";
}

std::vector<bk::String> split(bk::StringView text, char16_t separator) {
    std::vector<bk::String> out;
    bk::split_string(text, out, bk::StringView(&separator, 1));
    return out;
}

}  // namespace

bool fits_text_form(const BackupItem& job) {
    const auto plain = [](bk::StringView value, bk::StringView separators) {
        for (char16_t c : value)
            if (c < 0x20 || c == 0x7F || separators.find(c) != bk::StringView::npos) return false;
        return true;
    };
    if (!plain(job.name, u"") || !plain(job.destination, u"")) return false;
    for (const auto& source : job.sources)
        if (!plain(source.path, u";")) return false;
    for (const auto& extension : job.extensions)
        if (!plain(extension, u";")) return false;
    for (const auto& server : job.ftp_servers)
        for (const bk::String* field : {&server.server, &server.user, &server.password})
            if (!plain(*field, u";|")) return false;
    return true;
}

bk::String job_to_text(const BackupItem& job) {
    std::vector<bk::String> fields;
    fields.push_back(job.name);
    fields.emplace_back(backup_kind_name(job.kind));
    bk::String sources;
    for (const auto& source : job.sources) sources += (sources.empty() ? u"" : u";") + prefix_of(source) + source.path;
    fields.push_back(sources);
    fields.push_back(job.destination);
    fields.push_back(bk::Date(job.creation_time).to_string());
    fields.push_back(yes_no(!job.has_option(job_option::keep_set)));
    for (std::uint32_t bit : {job_option::notify, job_option::verify, job_option::ignore_ext, job_option::aware_ext})
        fields.push_back(yes_no(job.has_option(bit)));
    bk::String extensions;
    for (const auto& extension : job.extensions) extensions += (extensions.empty() ? u"" : u";") + extension;
    fields.push_back(extensions);
    fields.push_back(store_text::to_decimal(static_cast<std::int64_t>(static_cast<std::int32_t>(job.options))));
    if (!job.ftp_servers.empty()) {
        bk::String servers;
        for (const auto& s : job.ftp_servers)
            servers += (servers.empty() ? u"" : u";") + s.server + u"|" + s.user + u"|" + s.password + u"|" +
                       store_text::to_decimal(static_cast<std::int64_t>(s.port)) + u"|" + yes_no(s.passive);
        fields.push_back(servers);
    }
    bk::String line;
    for (std::size_t i = 0; i < fields.size(); ++i) line += (i == 0 ? u"" : u"\t") + fields[i];
    return line;
}

std::unique_ptr<BackupItem> job_from_text(bk::StringView line) {
    std::vector<bk::String> fields;
    for (std::size_t start = 0;;) {
        const auto tab = line.find(u'\t', start);
        fields.emplace_back(line.substr(start, tab == bk::StringView::npos ? bk::StringView::npos : tab - start));
        if (tab == bk::StringView::npos) break;
        start = tab + 1;
    }
    if (fields.size() != field_count - 1 && fields.size() != field_count) return nullptr;
    auto job = std::make_unique<BackupItem>();
    job->name = fields[0];
    job->kind = backup_kind_from_name(fields[1]);
    for (const auto& text : split(fields[2], u';')) {
        if (text.size() < 3 || text[0] != u'[' || text[2] != u']' || text[1] < u'0' || text[1] > u'7') return nullptr;
        const SourcePrefix& prefix = prefixes[text[1] - u'0'];
        job->sources.push_back({text.substr(3), prefix.type, prefix.recursive});
    }
    job->destination = fields[3];
    try {
        job->creation_time = bk::Date::parse(fields[4]).time();
    } catch (const bk::FormatException&) {
        return nullptr;
    }
    if (fields[5] != u"yes") job->options |= job_option::keep_set;
    const std::uint32_t bits[] = {job_option::notify, job_option::verify, job_option::ignore_ext, job_option::aware_ext};
    for (std::size_t i = 0; i < std::size(bits); ++i)
        if (fields[6 + i] == u"yes") job->options |= bits[i];
    job->extensions = split(fields[10], u';');
    std::int64_t option = 0;
    if (!store_text::parse_int64(fields[11], option)) return nullptr;
    job->options |= static_cast<std::uint32_t>(static_cast<std::int32_t>(option));
    if (fields.size() == field_count) {
        for (const auto& text : split(fields[12], u';')) {
            const std::vector<bk::String> parts = split(text, u'|');
            std::int64_t port = 0;
            if (parts.size() != 5 || !store_text::parse_int64(parts[3], port)) return nullptr;
            job->ftp_servers.push_back({parts[0], parts[1], parts[2], static_cast<std::uint16_t>(port), parts[4] == u"yes"});
        }
    }
    return job;
}

}  // namespace brim
