#include "taskplan/crontab_scheduler.h"

#include <cstdlib>
#include <filesystem>

#include "basekit/convertion.h"
#include "basekit/date.h"
#include "basekit/path.h"
#include "basekit/platform/os_process.h"
#include "basekit/platform/os_system.h"
#include "basekit/time_zone.h"
#include "taskplan/crontab_block.h"

namespace taskplan {
namespace {

// The variables that lead a scheduled start to this user's data and
// settings, when they are set (cron gives a job only HOME and a short PATH).
std::vector<bk::String> data_environment() {
    std::vector<bk::String> environment;
    for (const char* name : {"BRIMVAULT_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "BRIMVAULT_CRONTAB"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') environment.push_back(bk::from_utf8(std::string(name) + '=' + value));
    }
    return environment;
}

}  // namespace

bk::String scheduled_parameters(int kind, std::uint32_t job_id) {
    return (kind == 0 ? bk::String(u"backup ") : bk::String(u"restore ")) + bk::from_utf8(std::to_string(job_id));
}

std::optional<std::uint32_t> job_of_parameters(bk::StringView parameters) {
    const std::string text = bk::to_utf8(parameters);
    const std::string prefix = "backup ";
    if (!text.starts_with(prefix)) return std::nullopt;
    const std::string id = text.substr(prefix.size());
    if (id.empty() || id.size() > 9 || id.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(id));
}

CrontabScheduler::CrontabScheduler(WorkItemStore store, UserCrontab crontab, bk::String gate, bk::String application)
    : store_(std::move(store)), crontab_(std::move(crontab)), gate_(std::move(gate)),
      application_(std::move(application)) {}

CrontabScheduler CrontabScheduler::of_user() {
    const bk::String folder = bk::Path::current_module_path();
    const bk::String gate = folder + u"/brimvault-cli";
    // Without the GUI program (a build or an installation without it) the
    // scheduled command line goes to brimvault-cli, which takes it too.
    bk::String program = folder + u"/brimvault";
    if (!std::filesystem::exists(bk::to_utf8(program))) program = gate;
    return CrontabScheduler(WorkItemStore::of_user(), UserCrontab(), gate, program);
}

bool CrontabScheduler::daemon_running() {
    return bk::os::process_running("cron") || bk::os::process_running("crond");
}

WorkItem CrontabScheduler::create(bk::StringView job_name, int kind, std::uint32_t job_id, std::int64_t now) const {
    WorkItem item;
    item.name = bk::String(job_name);
    for (int counter = 1; store_.exists(item.name); ++counter) {
        item.name = bk::String(job_name) + bk::from_utf8(std::to_string(counter));
    }
    item.application = application_;
    item.parameters = scheduled_parameters(kind, job_id);
    item.account = bk::os::user_name();
    item.created = now;
    item.environment = data_environment();
    const std::int64_t first = now + first_trigger_minutes * bk::microseconds_per_minute;
    ScheduleTrigger once;
    once.type = TriggerType::once;
    once.begin = local_day_of(first);
    const std::int64_t local_minutes =
        (first + bk::TimeZone::current_time_zone().offset(first)) / bk::microseconds_per_minute;
    once.hour = static_cast<int>((local_minutes / 60) % 24);
    once.minute = static_cast<int>(local_minutes % 60);
    item.triggers.push_back(once);
    try {
        save(item);
    } catch (...) {
        remove(item.name);
        throw;
    }
    return item;
}

void CrontabScheduler::save(const WorkItem& item) const {
    store_.save(item);
    write_crontab();
}

void CrontabScheduler::remove(bk::StringView name) const {
    if (!store_.exists(name)) return;
    store_.remove(name);
    write_crontab();
}

void CrontabScheduler::write_crontab() const {
    const std::string table = crontab_.read();
    const std::string updated = replace_block(table, render_block(store_.items(), gate_));
    if (updated != table) crontab_.write(updated);
}

}  // namespace taskplan
