#pragma once
// The button texts both job wizards show, in the GUI's language.
class QWizard;

namespace job {

void SetWizardButtonTexts(QWizard& wizard);

}  // namespace job
