#pragma once
// The one message box of every GUI deliverable, and the seam through which
// tests answer boxes in advance.
#include <deque>
#include <vector>

#include <QDialog>

#include "basekit/types.h"
#include "uictl/message_box_flags.h"
#include "uictl/message_box_layout.h"

class QCheckBox;
class QHBoxLayout;

// Shows `text` and returns the id of the pressed button (button_id). `flags`
// are the Windows message-box flags (mb): buttons, icon, default button, Help
// (which opens the help page of `help_context` and leaves the box open) and
// one check box, whose state (1 ticked, 0 not) goes to `check_state` when it
// is given. An empty `title` shows the product's name. The owner is the
// active modal dialog, else the active window. GUI thread only.
int BrimMessageBox(const char16_t* text, const char16_t* title, int flags, int* check_state = nullptr,
                   int help_context = no_help_context);

namespace uictl {

// The library's own message dialog. The box keeps only what it shows; the
// answer is the pressed button's id as the dialog's result.
class CBrimMessageDialog final : public QDialog {
    Q_OBJECT
public:
    CBrimMessageDialog(QWidget* owner, bk::StringView text, const MessageBoxLayout& layout, int help_context);

    bool checked() const;
    void reject() override;

private:
    void add_buttons(QHBoxLayout* row);

    MessageBoxLayout layout_;
    int help_context_;
    QCheckBox* check_ = nullptr;
};

// What a box showed and how it was answered, as a test sees it.
struct ShownMessage {
    bk::String text;
    bk::String title;
    int flags = 0;
    int help_context = no_help_context;
    int button = 0;
    int check_state = 0;
};

// Answers the next message boxes without showing them, in order, and records
// every box shown while it is installed. One at a time; GUI thread only.
class MessageBoxSeam final {
public:
    struct Answer {
        int button;
        int check_state = 0;
    };

    MessageBoxSeam();
    ~MessageBoxSeam();
    MessageBoxSeam(const MessageBoxSeam&) = delete;
    MessageBoxSeam& operator=(const MessageBoxSeam&) = delete;

    void answer_next(int button, int check_state = 0);
    const std::vector<ShownMessage>& shown() const { return shown_; }
    // Answers not used yet.
    std::size_t pending() const { return answers_.size(); }

    // The installed seam, or null.
    static MessageBoxSeam* current();
    // Answers and records a box. A box with no answer left is answered with
    // its escape button (or its first one), so that a test that forgot an
    // answer fails on its checks rather than hanging on a dialog.
    Answer take(const ShownMessage& box, const MessageBoxLayout& layout);

private:
    std::deque<Answer> answers_;
    std::vector<ShownMessage> shown_;
};

}  // namespace uictl
