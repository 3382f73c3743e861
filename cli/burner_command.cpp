#include "cli/burner_command.h"

#include <cstring>
#include <iostream>
#include <vector>

#include "cli/console.h"
#include "core/core_strings.h"
#include "core/media/burner_binding.h"

namespace brim::cli {
namespace {

constexpr std::uint32_t msg_cannot_load_burner = 249;

class BurnerDevicesCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* burner = parent.add_subcommand("burner", "Disc burning");
        burner->require_subcommand(1);
        return burner->add_subcommand("devices", "List the drives and image targets a burner job can write to");
    }
    int execute() override {
        BurnerBinding& binding = BurnerBinding::instance();
        if (!binding.available()) {
            print_error(out(core_string(msg_cannot_load_burner)));
            return exit_failure;
        }
        std::int32_t count = 0;
        std::vector<BurnerDevice> devices(BURNER_MAX_DEVICES);
        const std::int32_t code = binding.api().get_devices(&count, devices.data());
        if (code != 0) {
            print_error(out(binding.text(code)));
            return exit_failure;
        }
        for (std::int32_t i = 0; i < count && i < BURNER_MAX_DEVICES; ++i)
            std::cout << std::string(devices[static_cast<std::size_t>(i)].text,
                                     strnlen(devices[static_cast<std::size_t>(i)].text, sizeof(BurnerDevice::text)))
                      << '\n';
        std::cout << "(a destination ending in .iso writes an ISO image file there)\n";
        return 0;
    }
};

}  // namespace

std::unique_ptr<Command> make_burner_command() { return std::make_unique<BurnerDevicesCommand>(); }

}  // namespace brim::cli
