#pragma once
// The question whether a file that exists is replaced by the one a run
// brings: the folder and name, each file's icon, size and modification
// time, and a check box that applies the answer to the rest of the run.
#include <cstdint>
#include <functional>

#include <QDialog>

#include "basekit/types.h"

class QCheckBox;

namespace app {

// What is known of one side of the question; a negative size or a zero
// time is unknown.
struct FileFacts {
    bk::String path;
    std::int64_t size = -1;
    std::int64_t modified = 0;  // microseconds since 1970 UTC
};

// Facts of a local file (unknown when it cannot be read).
FileFacts local_file_facts(const bk::String& path);

struct ReplaceQuestion {
    FileFacts existing;
    FileFacts incoming;
};

struct ReplaceAnswer {
    bool replace = false;
    bool apply_to_all = false;
};

class FileReplaceDialog final : public QDialog {
    Q_OBJECT
public:
    FileReplaceDialog(QWidget* parent, const ReplaceQuestion& question);
    ReplaceAnswer answer() const;

private:
    QCheckBox* apply_to_all_;
};

// Asks the question (the dialog, or the prompt tests installed). GUI thread.
ReplaceAnswer ask_replace(const ReplaceQuestion& question);

// Replaces the dialog (tests); an empty function restores it.
using ReplacePrompt = std::function<ReplaceAnswer(const ReplaceQuestion&)>;
void set_replace_prompt(ReplacePrompt prompt);

}  // namespace app
