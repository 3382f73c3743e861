#pragma once
// The pages of the restore wizard (restore_wizard.h). Each page shows the
// wizard's state and writes what the user chose back into it when the user
// goes on; what a choice means lives in the wizard and RestoreChoice.
#include <array>

#include <QWizardPage>

#include "job/restore_wizard.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace job {

class ResWelcomePage final : public QWizardPage {
    Q_OBJECT
public:
    ResWelcomePage();
};

class ResSourcePage final : public QWizardPage {
    Q_OBJECT
public:
    ResSourcePage(CResWzdDlg& wizard, bool has_jobs);
    void initializePage() override;
    bool validatePage() override;

private:
    CResWzdDlg& wizard_;
    QRadioButton* archive_;
    QRadioButton* job_;
};

class ResJobListPage final : public QWizardPage {
    Q_OBJECT
public:
    explicit ResJobListPage(CResWzdDlg& wizard);
    void initializePage() override;
    bool isComplete() const override;
    bool validatePage() override;
    // Selects the job's row.
    void Select(const brim::BackupItem* job);
    brim::BackupItem* Selected() const;

private:
    CResWzdDlg& wizard_;
    QTreeWidget* jobs_;
};

class ResArchivePage final : public QWizardPage {
    Q_OBJECT
public:
    explicit ResArchivePage(CResWzdDlg& wizard);
    bool isComplete() const override;
    bool validatePage() override;
    void SetPath(const bk::String& path);

private:
    void browse();
    // The job the archive file names, in the description under the path.
    void describe();

    CResWzdDlg& wizard_;
    QLineEdit* path_;
    std::array<QLabel*, 3> description_{};  // job name, kind, creation time
};

class ResTargetPage final : public QWizardPage {
    Q_OBJECT
public:
    explicit ResTargetPage(CResWzdDlg& wizard);
    void initializePage() override;
    bool validatePage() override;

private:
    void browse();
    void update_fields();

    CResWzdDlg& wizard_;
    QRadioButton* original_;
    QRadioButton* another_;
    QComboBox* place_;
    QPushButton* browse_;
};

class ResExistingPage final : public QWizardPage {
    Q_OBJECT
public:
    explicit ResExistingPage(CResWzdDlg& wizard);
    void initializePage() override;
    bool isComplete() const override;
    bool validatePage() override;

private:
    CResWzdDlg& wizard_;
    QButtonGroup* choices_;
};

class ResDatesPage final : public QWizardPage {
    Q_OBJECT
public:
    explicit ResDatesPage(CResWzdDlg& wizard);
    void initializePage() override;
    bool validatePage() override;

private:
    void update_drive();

    CResWzdDlg& wizard_;
    QCheckBox* touch_;
    QCheckBox* keep_;
    QCheckBox* drive_;
};

// The two summaries; the short one has the Advanced button.
class ResSummaryPage final : public QWizardPage {
    Q_OBJECT
public:
    ResSummaryPage(CResWzdDlg& wizard, bool with_advanced);
    void initializePage() override;

private:
    CResWzdDlg& wizard_;
    QFormLayout* lines_;
};

}  // namespace job
