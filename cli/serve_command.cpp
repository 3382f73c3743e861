#include "cli/serve_command.h"

#include <iostream>

#include "basekit/exception.h"
#include "basekit/platform/os_system.h"
#include "cli/console.h"
#include "cli/store_owner.h"
#include "core/jobs/log_manager.h"
#include "core/runner/handover.h"

namespace brim::cli {
namespace {

class ServeCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        return parent.add_subcommand(
            "serve", "Hold the job store and run the backups other starts hand over, until SIGTERM or Ctrl-C");
    }

    int execute() override {
        // Before any thread starts: the end requests wait for this thread.
        bk::os::block_end_requests();
        Store store(true);
        if (store.locked_out()) return store_busy();
        std::unique_ptr<StoreOwner> owner;
        try {
            owner = std::make_unique<StoreOwner>(true);
        } catch (const bk::Exception& failure) {
            print_error("cannot listen for hand-overs: " + out(failure.message()));
            return exit_failure;
        }
        LogManager::instance()->log(LogType::information, u"brimvault-cli serve holds the job store");
        std::cout << "Serving the job store; hand-overs arrive at " << out(handover_path()) << std::endl;
        bk::os::wait_for_end_request();
        std::cout << "Stopping: the runs that go are stopped and saved" << std::endl;
        owner->stop();
        LogManager::instance()->log(LogType::information, u"brimvault-cli serve ended");
        std::cout << "Ended" << std::endl;
        return 0;
    }
};

}  // namespace

std::unique_ptr<Command> make_serve_command() { return std::make_unique<ServeCommand>(); }

}  // namespace brim::cli
