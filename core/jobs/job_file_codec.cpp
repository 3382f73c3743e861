#include "core/jobs/job_file_codec.h"

#include <algorithm>
#include <set>

#include "basekit/date.h"
#include "basekit/exception.h"
#include "basekit/text_format.h"
#include "core/jobs/store_text.h"

namespace brim {
namespace {

using store_text::escape;
using store_text::to_decimal;
using Attributes = std::vector<std::pair<bk::String, bk::String>>;

constexpr bk::StringView source_type_names[] = {u"directory", u"file", u"ftp-server", u"ftp-directory", u"ftp-file"};
constexpr bk::StringView day_names[] = {u"sun", u"mon", u"tue", u"wed", u"thu", u"fri", u"sat"};
constexpr bk::StringView cipher_names[] = {u"xor", u"panama", u"rijndael"};  // 0x400, 0x500, 0x600

// A job block that does not follow the format.
struct BadJob {};

bk::String yes_no(bool flag) { return flag ? u"yes" : u"no"; }
bk::String decimal(std::int64_t value) { return to_decimal(value); }

bool has_trigger_kind(BackupKind kind) { return kind == BackupKind::increment || kind == BackupKind::increment_copy; }

void write_job_line(bk::DataOutputStream& out, const BackupItem& job, JobForm form) {
    bk::String line = form == JobForm::store ? u"\t<job id=\"" + decimal(job.id) + u"\" name=\"" : bk::String(u"\t<job name=\"");
    line += escape(job.name);
    if (job.has_option(job_option::notify)) line += u"\" notify=\"yes";
    if (job.has_option(job_option::verify)) line += u"\" verify=\"yes";
    line += job.has_option(job_option::keep_set) ? u"\" replace=\"no" : u"\" replace=\"yes";
    if (job.has_option(job_option::ignore_ext)) line += u"\" ignore-ext=\"yes";
    if (job.has_option(job_option::aware_ext)) line += u"\" aware-ext=\"yes";
    if (form == JobForm::store && job.has_option(job_option::restorable)) line += u"\" is_restorable=\"yes";
    out.write_line(line + u"\">");
}

bk::String element(bk::StringView indent, bk::StringView name, bk::StringView text) {
    return bk::String(indent) + u"<" + bk::String(name) + u">" + escape(text) + u"</" + bk::String(name) + u">";
}

void write_source(bk::DataOutputStream& out, const SourceData& source) {
    const auto type = static_cast<std::size_t>(source.type);
    bk::String attributes = type < std::size(source_type_names)
                                ? u"\"" + bk::String(source_type_names[type]) + u"\""
                                : bk::String(u"\"unknown\"");
    const bool can_recurse = source.type == SourceType::directory || source.type == SourceType::ftp_server ||
                             source.type == SourceType::ftp_directory;
    if (can_recurse && source.recursive) attributes += u" recursive=\"yes\"";
    out.write_line(u"\t\t<source type=" + attributes + u">" + escape(source.path) + u"</source>");
}

void write_trigger(bk::DataOutputStream& out, const TriggerData& trigger) {
    out.write_line(u"\t\t<trigger-data>");
    switch (trigger.kind) {
        case TriggerData::Kind::count: out.write_line(element(u"\t\t\t", u"count", decimal(trigger.value))); break;
        case TriggerData::Kind::weekly:
            out.write_line(u"\t\t\t<weekly>");
            out.write_line(element(u"\t\t\t\t", u"interval", decimal(trigger.interval)));
            for (std::size_t day = 0; day < std::size(day_names); ++day)
                if (trigger.days_of_week & (1u << day)) out.write_line(element(u"\t\t\t\t", u"days-of-week", day_names[day]));
            out.write_line(u"\t\t\t</weekly>");
            break;
        case TriggerData::Kind::monthly: out.write_line(element(u"\t\t\t", u"monthly", decimal(trigger.value))); break;
    }
    out.write_line(u"\t\t</trigger-data>");
}

void write_read_write(bk::DataOutputStream& out, const BackupItem& job) {
    out.write_line(u"\t\t<read-write>");
    out.write_line(element(u"\t\t\t", u"enable-open-file", yes_no(job.has_option(job_option::open_file))));
    if (job.has_option(job_option::retry)) {
        out.write_line(u"\t\t\t<enable-retry>yes</enable-retry>");
        out.write_line(element(u"\t\t\t", u"retry-interval", decimal(job.retry_interval)));
        out.write_line(element(u"\t\t\t", u"retry-count", decimal(job.retry_count)));
    } else {
        out.write_line(u"\t\t\t<enable-retry>no</enable-retry>");
    }
    out.write_line(u"\t\t</read-write>");
}

void write_security(bk::DataOutputStream& out, const BackupItem& job) {
    out.write_line(u"\t\t<security>");
    if (job.has_option(job_option::password)) out.write_line(u"\t\t\t<enable-password/>");
    const std::uint32_t cipher = job.cipher_bits();
    if (cipher != 0) {
        out.write_line(u"\t\t\t<encryption>");
        out.write_line(u"\t\t\t\t<source type=\"whole\"/>");
        const std::uint32_t index = (cipher >> 8) - 4;
        out.write_line(element(u"\t\t\t\t", u"algorithm", index < std::size(cipher_names) ? cipher_names[index] : u""));
        out.write_line(u"\t\t\t</encryption>");
    }
    out.write_line(u"\t\t</security>");
}

}  // namespace

void write_job(bk::DataOutputStream& out, const BackupItem& job, JobForm form) {
    write_job_line(out, job, form);
    out.write_line(element(u"\t\t", u"option", decimal(static_cast<std::int32_t>(job.options))));
    if (!job.task_name.empty()) out.write_line(element(u"\t\t", u"task-name", job.task_name));
    if (job.has_option(job_option::keep_set) && job.append_mode == 1) {
        out.write_line(u"\t\t<append-mode attr=\"new-arch\">");
        out.write_line(element(u"\t\t\t", u"rotation-times", decimal(job.rotation_times)));
        out.write_line(u"\t\t</append-mode>");
    }
    for (const auto& source : job.sources) write_source(out, source);
    out.write_line(element(u"\t\t", u"destination", job.destination));
    out.write_line(element(u"\t\t", u"backup-type", backup_kind_name(job.kind)));
    if (has_trigger_kind(job.kind) && job.trigger) write_trigger(out, *job.trigger);
    out.write_line(element(u"\t\t", u"creation-time",
                           form == JobForm::store ? decimal(job.creation_time) : bk::Date(job.creation_time).to_string()));
    if (job.has_option(job_option::ignore_ext | job_option::aware_ext))
        for (const auto& extension : job.extensions) out.write_line(element(u"\t\t", u"file-extension", extension));
    write_read_write(out, job);
    if (!job.ftp_servers.empty()) {
        out.write_line(u"\t\t<ftp-servers>");
        for (const auto& server : job.ftp_servers)
            out.write_line(u"\t\t\t<server user=\"" + escape(server.user) + u"\" password=\"" + escape(server.password) +
                           u"\" port=\"" + decimal(server.port) + u"\" passive=\"" + yes_no(server.passive) + u"\">" +
                           escape(server.server) + u"</server>");
        out.write_line(u"\t\t</ftp-servers>");
    }
    if (form == JobForm::store && job.has_option(job_option::security_mask)) write_security(out, job);
    out.write_line(u"\t</job>");
}

namespace {

// Reading one block; every deviation throws BadJob.
class JobReader final {
public:
    JobReader(bk::DataInputStream& in, JobForm form) : in_(in), form_(form), job_(std::make_unique<BackupItem>()) {}

    std::unique_ptr<BackupItem> read() {
        bk::String line;
        do line = store_text::read_line(in_);
        while (!line.starts_with(u"\t<job"));
        read_job_line(line);
        for (;;) {
            line = store_text::read_line(in_);
            const bk::String name = store_text::element_name(line);
            if (name == u"/job") break;
            read_element(name, line);
        }
        if (!seen_.contains(u"read-write")) job_->options |= job_option::open_file | job_option::retry;
        return std::move(job_);
    }

    const bk::String& name() const { return job_->name; }

    // After a bad element: the lines up to the end of the block.
    void skip_rest() {
        while (in_.peek() == '\t' || in_.peek() == ' ') {
            if (store_text::element_name(store_text::read_line(in_)) == u"/job") return;
        }
    }

private:
    static void bad() { throw BadJob{}; }

    static std::int64_t number(bk::StringView text) {
        std::int64_t value = 0;
        if (!store_text::parse_int64(text, value)) bad();
        return value;
    }

    void once(const bk::String& name) {
        if (!seen_.insert(name).second) bad();
    }

    void read_job_line(const bk::String& line) {
        Attributes attributes;
        if (!store_text::attributes(line, attributes)) bad();
        std::uint32_t bits = 0;
        for (const auto& [name, value] : attributes) {
            const bool yes = value == u"yes";
            if (name == u"id" && form_ == JobForm::store) job_->id = static_cast<std::uint32_t>(number(value));
            else if (name == u"name") job_->name = value;
            else if (name == u"notify") bits |= yes ? job_option::notify : 0;
            else if (name == u"verify") bits |= yes ? job_option::verify : 0;
            else if (name == u"replace") bits |= yes ? 0 : job_option::keep_set;
            else if (name == u"ignore-ext" || name == u"aware-ext") {
                if (bits & (job_option::ignore_ext | job_option::aware_ext)) bad();
                if (yes) bits |= name == u"ignore-ext" ? job_option::ignore_ext : job_option::aware_ext;
            } else if (name == u"is_restorable") bits |= yes ? job_option::restorable : 0;
            else bad();
        }
        job_->options = bits;
    }

    void read_element(const bk::String& name, const bk::String& line) {
        const bk::String text = store_text::element_text(line);
        if (name == u"source") return read_source(line);
        if (name == u"file-extension") return job_->extensions.push_back(text);
        once(name);
        if (name == u"option") job_->options = static_cast<std::uint32_t>(static_cast<std::int32_t>(number(text)));
        else if (name == u"task-name") job_->task_name = text;
        else if (name == u"destination") job_->destination = text;
        else if (name == u"backup-type") job_->kind = backup_kind_from_name(text);
        else if (name == u"append-mode") read_append_mode();
        else if (name == u"creation-time") read_creation_time(text);
        else if (name == u"trigger-data") read_trigger();
        else if (name == u"read-write") read_read_write();
        else if (name == u"ftp-servers") read_ftp_servers();
        else if (name == u"security" && form_ == JobForm::store) read_security();
        else bad();
    }

    void read_source(const bk::String& line) {
        Attributes attributes;
        if (!store_text::attributes(line, attributes)) bad();
        SourceData source;
        bool typed = false;
        for (const auto& [name, value] : attributes) {
            if (name == u"type") {
                const auto* found = std::find(std::begin(source_type_names), std::end(source_type_names), bk::StringView(value));
                if (found == std::end(source_type_names)) bad();
                source.type = static_cast<SourceType>(found - std::begin(source_type_names));
                typed = true;
            } else if (name == u"recursive") {
                source.recursive = value == u"yes";
            } else {
                bad();
            }
        }
        if (!typed) bad();
        source.path = store_text::element_text(line);
        job_->sources.push_back(std::move(source));
    }

    void read_append_mode() {
        const bk::String line = store_text::read_line(in_);
        if (store_text::element_name(line) != u"rotation-times") bad();
        const std::int64_t times = number(store_text::element_text(line));
        job_->append_mode = 1;
        job_->rotation_times = times >= 2 && times <= 256 ? static_cast<std::uint32_t>(times) : 15;
        store_text::read_line(in_);  // </append-mode>
    }

    void read_creation_time(const bk::String& text) {
        if (form_ == JobForm::store) {
            job_->creation_time = number(text);
            return;
        }
        try {
            job_->creation_time = bk::Date::parse(text).time();
        } catch (const bk::FormatException&) {
            bad();
        }
    }

    void read_trigger() {
        job_->trigger = std::make_unique<TriggerData>();
        TriggerData& trigger = *job_->trigger;
        bk::String line = store_text::read_line(in_);
        for (bk::String name = store_text::element_name(line); name != u"/trigger-data";
             name = store_text::element_name(line = store_text::read_line(in_))) {
            if (name == u"count" || name == u"monthly") {
                trigger.kind = name == u"count" ? TriggerData::Kind::count : TriggerData::Kind::monthly;
                trigger.value = static_cast<std::int32_t>(number(store_text::element_text(line)));
            } else if (name == u"weekly") {
                trigger.kind = TriggerData::Kind::weekly;
                read_weekly(trigger);
            } else {
                bad();
            }
        }
    }

    // The lines of the weekly part; any other line (its closing tag) ends it.
    void read_weekly(TriggerData& trigger) {
        for (;;) {
            const bk::String line = store_text::read_line(in_);
            const bk::String name = store_text::element_name(line);
            const bk::String text = store_text::element_text(line);
            if (name == u"interval") {
                trigger.interval = static_cast<std::int16_t>(number(text));
            } else if (name == u"days-of-week") {
                const auto* day = std::find(std::begin(day_names), std::end(day_names), bk::StringView(text));
                if (day != std::end(day_names)) trigger.days_of_week |= static_cast<std::uint16_t>(1u << (day - std::begin(day_names)));
            } else {
                return;
            }
        }
    }

    void read_read_write() {
        for (;;) {
            const bk::String line = store_text::read_line(in_);
            const bk::String name = store_text::element_name(line);
            const bk::String text = store_text::element_text(line);
            if (name == u"/read-write") return;
            if (name == u"enable-retry") job_->options |= text == u"yes" ? job_option::retry : 0;
            else if (name == u"enable-open-file") job_->options |= text == u"yes" ? job_option::open_file : 0;
            else if (name == u"retry-interval") job_->retry_interval = in_range(text, 5);
            else if (name == u"retry-count") job_->retry_count = in_range(text, 20);
            else bad();
        }
    }

    static std::uint16_t in_range(const bk::String& text, std::uint16_t fallback) {
        std::int64_t value = 0;
        return store_text::parse_int64(text, value) && value >= 1 && value <= 32767 ? static_cast<std::uint16_t>(value)
                                                                                   : fallback;
    }

    void read_ftp_servers() {
        for (;;) {
            const bk::String line = store_text::read_line(in_);
            if (store_text::element_name(line) != u"server") return;
            Attributes attributes;
            if (!store_text::attributes(line, attributes)) bad();
            FtpConnectInfo server;
            server.passive = false;
            for (const auto& [name, value] : attributes) {
                if (name == u"user") server.user = value;
                else if (name == u"password") server.password = value;
                else if (name == u"port") server.port = static_cast<std::uint16_t>(number(value));
                else if (name == u"passive") server.passive = value == u"yes";
                else bad();
            }
            server.server = store_text::element_text(line);
            job_->ftp_servers.push_back(std::move(server));
        }
    }

    void read_security() {
        job_->password_state = PasswordState::not_loaded;
        for (;;) {
            const bk::String name = store_text::element_name(store_text::read_line(in_));
            if (name == u"/security") return;
            if (name == u"enable-password") {
                job_->options |= job_option::password;
            } else if (name == u"encryption") {
                store_text::read_line(in_);  // <source type="whole"/>
                const bk::String line = store_text::read_line(in_);
                const bk::String text = store_text::element_text(line);
                const auto* cipher = std::find(std::begin(cipher_names), std::end(cipher_names), bk::StringView(text));
                if (store_text::element_name(line) != u"algorithm" || cipher == std::end(cipher_names)) bad();
                job_->options |= static_cast<std::uint32_t>(0x400 + 0x100 * (cipher - std::begin(cipher_names)));
                store_text::read_line(in_);  // </encryption>
            } else {
                bad();
            }
        }
    }

    bk::DataInputStream& in_;
    JobForm form_;
    std::unique_ptr<BackupItem> job_;
    std::set<bk::String> seen_;
};

}  // namespace

std::unique_ptr<BackupItem> read_job(bk::DataInputStream& in, JobForm form, bk::String* name_read) {
    JobReader reader(in, form);
    try {
        auto job = reader.read();
        if (name_read != nullptr) *name_read = job->name;
        return job;
    } catch (const BadJob&) {
        if (name_read != nullptr) *name_read = reader.name();
        reader.skip_rest();
        return nullptr;
    }
}

}  // namespace brim
