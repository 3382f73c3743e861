#include "taskplan/crontab_block.h"

#include "basekit/convertion.h"

namespace taskplan {
namespace {

std::string list_of_bits(std::uint32_t bits, int count, int first_value) {
    std::string list;
    for (int bit = 0; bit < count; ++bit) {
        if ((bits & (1u << bit)) == 0) continue;
        if (!list.empty()) list += ',';
        list += std::to_string(bit + first_value);
    }
    return list;
}

// cron reads % in a command as a line break.
std::string escape_percent(const std::string& command) {
    std::string out;
    for (char c : command) {
        if (c == '%') out += '\\';
        out += c;
    }
    return out;
}

// "env 'NAME=value' ... " before a command, or nothing.
std::string env_prefix(const std::vector<bk::String>& environment) {
    std::string env;
    for (const auto& variable : environment) env += shell_quote(bk::to_utf8(variable)) + ' ';
    return env.empty() ? env : "env " + env;
}

std::string command_of(const WorkItem& item, bk::StringView gate) {
    const std::string env = env_prefix(item.environment);
    std::string command = env + shell_quote(bk::to_utf8(gate)) + " schedule due " + shell_quote(bk::to_utf8(item.name));
    command += " && " + env + shell_quote(bk::to_utf8(item.application));
    for (std::size_t start = 0; start <= item.parameters.size();) {
        const std::size_t blank = item.parameters.find(u' ', start);
        const bk::String word = item.parameters.substr(start, blank - start);
        if (!word.empty()) command += ' ' + shell_quote(bk::to_utf8(word));
        if (blank == bk::String::npos) break;
        start = blank + 1;
    }
    return escape_percent(command);
}

}  // namespace

std::string shell_quote(std::string_view word) {
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

std::string cron_schedule_of(const ScheduleTrigger& t) {
    const std::string time = std::to_string(t.minute) + ' ' + std::to_string(t.hour) + ' ';
    switch (t.type) {
        case TriggerType::once: return time + std::to_string(t.begin.day) + ' ' + std::to_string(t.begin.month) + " *";
        case TriggerType::daily: return time + "* * *";
        case TriggerType::weekly: {
            const std::string days = list_of_bits(t.weekdays, 7, 0);
            return days.empty() ? std::string() : time + "* * " + days;
        }
        case TriggerType::monthly_date: {
            const std::string days = list_of_bits(t.month_days, 31, 1);
            const std::string months = (t.months & 0x0FFF) == 0x0FFF ? "*" : list_of_bits(t.months, 12, 1);
            return days.empty() || months.empty() ? std::string() : time + days + ' ' + months + " *";
        }
        case TriggerType::at_system_start: return "@reboot";
        default: return {};
    }
}

std::string render_block(const std::vector<WorkItem>& items, bk::StringView gate) {
    std::string lines;
    bool catch_up = false;
    for (const WorkItem& item : items) {
        catch_up = catch_up || item.catch_up;
        const std::string command = command_of(item, gate);
        for (const ScheduleTrigger& trigger : item.triggers) {
            const std::string schedule = cron_schedule_of(trigger);
            if (!schedule.empty()) lines += schedule + ' ' + command + '\n';
        }
    }
    if (lines.empty()) return {};
    if (catch_up) {
        const std::string env = env_prefix(items.front().environment);
        lines += "@reboot " + escape_percent(env + shell_quote(bk::to_utf8(gate)) + " schedule catch-up") + '\n';
    }
    return std::string(block_begin) + '\n' + lines + std::string(block_end) + '\n';
}

std::string replace_block(std::string_view crontab, std::string_view block) {
    std::string kept;
    std::size_t position = 0;
    bool inside = false;
    while (position < crontab.size()) {
        std::size_t end = crontab.find('\n', position);
        end = end == std::string_view::npos ? crontab.size() : end + 1;
        const std::string_view line = crontab.substr(position, end - position);
        std::string_view bare = line;
        while (!bare.empty() && (bare.back() == '\n' || bare.back() == '\r')) bare.remove_suffix(1);
        if (!inside && bare == block_begin) {
            inside = true;
        } else if (inside && bare == block_end) {
            inside = false;
        } else if (!inside) {
            kept += line;
        }
        position = end;
    }
    if (block.empty()) return kept;
    if (!kept.empty() && kept.back() != '\n') kept += '\n';
    return kept + std::string(block);
}

}  // namespace taskplan
