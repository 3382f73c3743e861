#pragma once
// Ctrl-C and SIGTERM during a long command: while an Interruption lives they
// only raise a flag that the command polls, so that it can stop its work and
// still say what it did.
#include <csignal>

namespace brim::cli {

class Interruption final {
public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    // Whether Ctrl-C or SIGTERM came since the newest Interruption began.
    static bool requested();

private:
    struct sigaction saved_int_ {}, saved_term_ {};
};

}  // namespace brim::cli
