#pragma once
// The answers of a run started by hand: the job's password from a small
// dialog, and the questions and warnings about the destination's set as
// message boxes. The destination's are asked on the run's worker; each is
// carried to the GUI thread and the worker waits for the answer.
#include <atomic>
#include <functional>
#include <optional>

#include <QObject>

#include "core/runner/job_runner.h"

namespace app {

class GuiRunAnswers final : public brim::RunAnswers {
public:
    // `gui` lives on the GUI thread; `closing` (may be null) tells that the
    // program ends, when nothing more is asked and every question is no.
    explicit GuiRunAnswers(QObject* gui, const std::atomic<bool>* closing = nullptr) : gui_(gui), closing_(closing) {}

    bool can_ask(const brim::BackupItem& job) const override;
    Password password(const brim::BackupItem& job, bool needed) override;
    void wrong_password(const brim::BackupItem& job) override;
    void refused(brim::CheckResult result, const brim::BackupItem& job) override;
    void floppy(const brim::BackupItem& job) override;
    bool confirm(brim::CheckResult result, const brim::BackupItem& job) override;
    void appending(const brim::BackupItem& job) override;

private:
    bool closing() const { return closing_ != nullptr && closing_->load(); }
    // Runs `show` on the GUI thread unless the program ends meanwhile.
    template <typename Show>
    void tell(Show show);
    // The answer of `question` on the GUI thread; false once the program ends.
    template <typename Question>
    bool ask(Question question);

    QObject* gui_;
    const std::atomic<bool>* closing_;
};

// Asks the job's password (the dialog, or the prompt tests installed):
// nullopt when the user cancels. GUI thread.
std::optional<bk::String> ask_job_password(const bk::String& job_name);
using PasswordPrompt = std::function<std::optional<bk::String>(const bk::String& job_name)>;
void set_password_prompt(PasswordPrompt prompt);

}  // namespace app
