#include "job/wizard_buttons.h"

#include <QWizard>
#include <utility>

#include "job/job_strings.h"
#include "uictl/qt_text.h"

namespace job {

void SetWizardButtonTexts(QWizard& wizard) {
    const std::pair<QWizard::WizardButton, std::uint32_t> buttons[]{{QWizard::BackButton, text_id::back_button},
                                                                     {QWizard::NextButton, text_id::next_button},
                                                                     {QWizard::FinishButton, text_id::finish_button},
                                                                     {QWizard::CancelButton, text_id::cancel_button}};
    for (const auto& [button, id] : buttons) wizard.setButtonText(button, uictl::to_qstring(job_strings().text(id)));
}

}  // namespace job
