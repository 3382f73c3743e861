#pragma once
// The answers of brimvault-cli to the questions before a run: the password
// from --password-file or typed without echo, the destination's questions
// asked on the terminal when there is one.
#include <string>

#include "core/runner/job_runner.h"

namespace brim::cli {

class TerminalAnswers final : public RunAnswers {
public:
    explicit TerminalAnswers(std::string password_file) : password_file_(std::move(password_file)) {}

    bool can_ask(const BackupItem& job) const override;
    Password password(const BackupItem& job, bool needed) override;
    void wrong_password(const BackupItem& job) override;
    void refused(CheckResult result, const BackupItem& job) override;
    void floppy(const BackupItem& job) override;
    bool confirm(CheckResult result, const BackupItem& job) override;
    void appending(const BackupItem& job) override;

private:
    std::string password_file_;
};

}  // namespace brim::cli
