#include "cli/store_owner.h"

#include <iostream>
#include <sstream>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "basekit/platform/os_fs.h"
#include "cli/command.h"
#include "cli/console.h"
#include "cli/program.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report.h"
#include "core/runner/handover.h"

namespace brim::cli {
namespace {

// Said when a run handed over to this process ends.
void tell_end(const BackupItem& job, const RunOutcome& outcome) {
    std::cout << "Handed-over backup of \"" << printable(job.name) << "\" ended: "
              << (outcome.end == RunOutcome::End::refused_by_check ? std::string("not run")
                                                                    : out(run_result_name(outcome.result)))
              << std::endl;
}

}  // namespace

StoreOwner::StoreOwner(bool required) : owner_(runner_, answer_command, tell_end) {
    hold_store_here([this](const BackupItem& job) {
        for (const auto& run : runner_.runs())
            if (&run->job() == &job) return true;
        return false;
    });
    try {
        owner_.listen(handover_path());
    } catch (const bk::Exception& failure) {
        if (required) throw;
        print_error("other Brimvault programs cannot hand their work to this one: " + out(failure.message()));
    }
}

StoreOwner::~StoreOwner() {
    stop();
    release_store_here();
}

void StoreOwner::finish_handed_runs(const std::function<bool()>& stop_asked) {
    for (bool listening = true;;) {
        const auto runs = runner_.runs();
        if (runs.empty()) {
            if (!listening) return;
            // A hand-over may have been taken while the channel closed.
            owner_.stop_listening();
            listening = false;
            continue;
        }
        for (const auto& run : runs)
            while (!run->wait_for(50))
                if (stop_asked()) runner_.stop_all();
    }
}

void StoreOwner::stop() {
    owner_.stop_listening();
    runner_.stop_all();
    runner_.wait_all();
}

int hand_over_or_busy(const std::string& command_line) {
    if (command_line.size() > handover_text_limit) {
        print_error("the command is longer than the " + std::to_string(handover_text_limit) +
                    " bytes another Brimvault program takes over");
        return store_busy();
    }
    std::optional<HandoverAnswer> answer;
    try {
        answer = hand_over(handover_path(), in(command_line));
    } catch (const bk::Exception&) {
    }
    if (!answer) return store_busy();
    std::string text = answer->text;
    if (!text.empty() && text.back() != '\n') text += '\n';
    if (answer->status == 0) say() << text;
    else warn() << (text.starts_with("brimvault-cli: ") ? "" : "brimvault-cli: ") << text;
    return answer->status;
}

namespace {

// The commands another process applies to its store for this one.
bool handed_over(const std::vector<std::string>& args) {
    if (args.empty()) return false;
    if (args[0] == "open" || args[0] == "unschedule") return true;
    if (args[0] == "schedule") return args.size() > 1 && args[1] != "due" && args[1] != "catch-up" && args[1] != "--list";
    return args.size() > 1 && args[0] == "job" && (args[1] == "add" || args[1] == "remove" || args[1] == "import");
}

bool plain_word(const std::string& word) {
    if (word.empty()) return false;
    for (const char c : word)
        if (c == ' ' || c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

}  // namespace

int hand_over_command() {
    const std::vector<std::string>& args = current_args();
    if (!handed_over(args)) return store_busy();
    std::vector<std::string> words = {"in", out(bk::os::current_directory())};
    words.insert(words.end(), args.begin(), args.end());
    return hand_over_or_busy(join_words(words));
}

HandoverAnswer answer_command(const bk::String& line) {
    const auto words = split_words(bk::to_ansi(line));
    if (!words || words->size() < 3 || (*words)[0] != "in" ||
        !handed_over(std::vector<std::string>(words->begin() + 2, words->end())))
        return {exit_usage, "the program that holds the job store does not take \"" + bk::to_ansi(line) + "\""};
    std::ostringstream text;
    int status = 0;
    {
        // Nothing else changes the store meanwhile, and the runs' own saves wait.
        const auto store = BackupItemManager::instance()->lock();
        const bk::String here = bk::os::current_directory();
        try {
            bk::os::set_current_directory(in((*words)[1]));
        } catch (const bk::Exception& failure) {
            return {exit_failure, "cannot work in " + (*words)[1] + ": " + out(failure.message())};
        }
        {
            const CapturedOutput captured(text);
            status = run_program(std::vector<std::string>(words->begin() + 2, words->end()));
        }
        try {
            bk::os::set_current_directory(here);
        } catch (const bk::Exception&) {
        }
    }
    return {status, text.str()};
}

std::string join_words(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        if (plain_word(word)) {
            line += word;
            continue;
        }
        line += '"';
        for (const char c : word) {
            if (c == '"' || c == '\\') line += '\\';
            line += c;
        }
        line += '"';
    }
    return line;
}

std::optional<std::vector<std::string>> split_words(const std::string& line) {
    std::vector<std::string> words;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == ' ') {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] != '"') {
            while (i < line.size() && line[i] != ' ') word += line[i++];
        } else {
            for (++i;; ++i) {
                if (i >= line.size()) return std::nullopt;
                if (line[i] == '"') break;
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                word += line[i];
            }
            ++i;
        }
        words.push_back(std::move(word));
    }
    return words;
}

}  // namespace brim::cli
