#pragma once
// The question for the next file of a split backup set that is not where
// the set says: a dialog with the path (which the user may change or browse
// to), OK, Cancel and Help, and the listener that asks it while a set opens.
#include <functional>

#include <QDialog>

#include "basekit/types.h"
#include "core/engine/session_events.h"

class QLineEdit;

namespace job {

class CVolumePromptDlg final : public QDialog {
    Q_OBJECT
public:
    // Starts with the path of the missing volume.
    CVolumePromptDlg(QWidget* parent, const bk::String& missing);

    bk::String path() const;

private:
    void browse();

    QLineEdit* path_;
};

// Asks for a missing volume: true with `path` changed to the place the user
// gave, false when the user cancelled.
using VolumeAsker = std::function<bool(bk::String& path)>;
// Replaces the dialog (for tests); an empty function restores it.
void set_volume_asker(VolumeAsker asker);

// The listener a restore session's open() asks for a missing volume. GUI
// thread, as open() is called there.
class VolumePrompt final : public brim::OpenArchiveEvent {
public:
    explicit VolumePrompt(QWidget* parent) : parent_(parent) {}
    bool locate_volume(bk::String& path) override;

private:
    QWidget* parent_;
};

}  // namespace job
