#include "cli/interruption.h"

#include <atomic>

namespace brim::cli {
namespace {

std::atomic<bool> interrupted{false};

extern "C" void on_interrupt(int) { interrupted = true; }

}  // namespace

Interruption::Interruption() {
    interrupted = false;
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    ::sigaction(SIGINT, &action, &saved_int_);
    ::sigaction(SIGTERM, &action, &saved_term_);
}

Interruption::~Interruption() {
    ::sigaction(SIGINT, &saved_int_, nullptr);
    ::sigaction(SIGTERM, &saved_term_, nullptr);
}

bool Interruption::requested() { return interrupted.load(); }

}  // namespace brim::cli
