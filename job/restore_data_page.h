#pragma once
// The data page of the restore wizard: the opened set's runs in the
// restore tree and list, and the selection taken from them when the user
// goes on.
#include <QWizardPage>

#include "job/restore_wizard.h"

namespace uictl {
class RestorePicker;
}

namespace job {

class ResDataPage final : public QWizardPage {
    Q_OBJECT
public:
    explicit ResDataPage(CResWzdDlg& wizard);
    // Shows the set the wizard opened, unless it shows it already (then the
    // user's choices stay).
    void initializePage() override;
    // Refuses an empty selection (195).
    bool validatePage() override;
    uictl::RestorePicker& picker() { return *picker_; }

private:
    CResWzdDlg& wizard_;
    uictl::RestorePicker* picker_;
    unsigned shown_ = 0;  // the wizard's SessionSerial() shown
};

}  // namespace job
