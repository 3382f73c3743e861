#pragma once
// The OK, Cancel and (optionally) Help buttons of the library's dialogs, in
// the GUI's language, named "ok", "cancel" and "help" for tests. OK is the
// default button and accepts the dialog, Cancel rejects it; Help only emits
// the box's helpRequested signal.
class QDialog;
class QDialogButtonBox;

namespace job {

QDialogButtonBox* MakeDialogButtons(QDialog& dialog, bool with_help = false);

}  // namespace job
