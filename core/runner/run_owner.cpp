#include "core/runner/run_owner.h"

#include <string>
#include <vector>

#include "basekit/convertion.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/log_manager.h"

namespace brim {
namespace {

// A scheduled start's line, and the line of brimvault-cli run.
constexpr char16_t backup_word[] = u"backup";
constexpr char16_t run_word[] = u"run";

int status_of(RunRefused::Reason reason) {
    switch (reason) {
        case RunRefused::Reason::too_many_runs:
        case RunRefused::Reason::job_running: return handover_status::busy;
        case RunRefused::Reason::password: return handover_status::password;
        case RunRefused::Reason::no_session:
        case RunRefused::Reason::by_caller: return handover_status::failure;
    }
    return handover_status::failure;
}

// The words of a line, split at spaces.
std::vector<bk::String> words_of(bk::StringView line) {
    std::vector<bk::String> words;
    bk::String word;
    for (const char16_t c : line) {
        if (c == u' ' || c == u'\t') {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

}  // namespace

RunOwner::RunOwner(JobRunner& runner, Handler other, RunEnded ended)
    : runner_(runner), other_(std::move(other)), ended_(std::move(ended)) {}

RunOwner::~RunOwner() { stop_listening(); }

void RunOwner::listen(bk::String path) {
    listener_ = std::make_unique<HandoverListener>(std::move(path),
                                                   [this](const bk::String& line) { return answer(line); });
}

void RunOwner::stop_listening() { listener_.reset(); }

HandoverAnswer RunOwner::answer(const bk::String& command_line) {
    const std::vector<bk::String> words = words_of(command_line);
    if (words.size() == 2 && (words[0] == backup_word || words[0] == run_word)) return start_backup(words[1]);
    if (other_) return other_(command_line);
    return {handover_status::usage, "the program that holds the job store does not take \"" +
                                        bk::to_ansi(command_line) + "\""};
}

HandoverAnswer RunOwner::start_backup(const bk::String& id_text) {
    const std::string id = bk::to_ansi(id_text);
    BackupItem* job = nullptr;
    if (!id.empty() && id.size() <= 9 && id.find_first_not_of("0123456789") == std::string::npos)
        job = BackupItemManager::instance()->backup_item(static_cast<std::uint32_t>(std::stoul(id)));
    if (job == nullptr) return {handover_status::not_found, "no job with the id " + id};
    const std::string name = bk::to_ansi(job->name);
    LogManager::instance()->log(LogType::information, u"Handed over: backup of the job", job->name);
    RunRequest request;
    request.on_end = ended_;
    try {
        runner_.start_backup(*job, std::move(request));
    } catch (const RunRefused& refusal) {
        return {status_of(refusal.reason()), bk::to_ansi(refusal.message())};
    }
    return {handover_status::taken,
            "Handed the backup of \"" + name + "\" over to the Brimvault program that holds the job store"};
}

}  // namespace brim
