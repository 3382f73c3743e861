#include "cli/program.h"

#include <algorithm>
#include <iostream>

#include "basekit/exception.h"
#include "cli/archive_check.h"
#include "cli/burner_command.h"
#include "cli/console.h"
#include "cli/history_commands.h"
#include "cli/job_commands.h"
#include "cli/restore_commands.h"
#include "cli/schedule_commands.h"
#include "cli/run_command.h"
#include "cli/serve_command.h"
#include "core/jobs/version.h"

namespace brim::cli {
namespace {
thread_local std::vector<std::string> running_args;
}  // namespace

const std::vector<std::string>& current_args() { return running_args; }

int run_program(const std::vector<std::string>& args) {
    running_args = args;
    CLI::App app{"Brimvault: back up, verify and restore from the command line", "brimvault-cli"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "brimvault-cli " + out(brim::Version::instance()->version_string()));

    std::vector<std::pair<CLI::App*, Command*>> chosen;
    std::vector<std::unique_ptr<Command>> commands;
    CLI::App* job = app.add_subcommand("job", "Add, list, show, remove, export and import jobs");
    job->require_subcommand(1);
    for (auto& command : job_commands()) {
        chosen.emplace_back(command->attach(*job), command.get());
        commands.push_back(std::move(command));
    }
    auto add_top = [&](std::unique_ptr<Command> command) {
        chosen.emplace_back(command->attach(app), command.get());
        commands.push_back(std::move(command));
    };
    add_top(make_run_command());
    add_top(make_serve_command());
    add_top(make_check_command());
    add_top(make_burner_command());
    for (auto& command : restore_commands()) add_top(std::move(command));
    for (auto& command : history_commands()) add_top(std::move(command));
    for (auto& command : schedule_commands()) add_top(std::move(command));

    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());  // the parser takes them last first
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e, say(), warn());
        return status == 0 ? 0 : exit_usage;
    }
    try {
        for (auto& [parser, command] : chosen)
            if (parser->parsed()) return command->execute();
    } catch (const bk::Exception& e) {
        print_error(out(e.message()));
        return exit_failure;
    } catch (const std::exception& e) {
        print_error(e.what());
        return exit_failure;
    }
    return exit_usage;
}

}  // namespace brim::cli
