#pragma once
// The pages of the backup wizard. Each page shows the job's values when it
// is entered and writes what the user chose into the job when it is left
// with Next or Finish; checks that fail keep the user on the page with the
// focus on the field at fault.
#include <utility>
#include <vector>

#include <QWizardPage>

#include "job/backup_wizard.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace uictl {
class FolderPicker;
}

namespace job {

class ExtensionFilterEditor;

// The lines of a summary of the wizard's job, label and value: name, kind,
// destination, creation time and further settings; the whole one adds the
// security, the file filter and the next scheduled run.
std::vector<std::pair<bk::String, bk::String>> SummaryOf(const CBakWzdDlg& wizard, bool whole);

// What every page shares: the wizard and its job, and the page order.
class BackupWizardPageBase : public QWizardPage {
    Q_OBJECT
public:
    // A page with the header of title `title_id` and subtitle `subtitle_id`
    // (0: none).
    BackupWizardPageBase(CBakWzdDlg& wizard, std::uint32_t title_id, std::uint32_t subtitle_id);
    int nextId() const override;

protected:
    CBakWzdDlg& wizard_;
    brim::BackupItem& job() const { return *wizard_.GetBackupItem(); }
};

class WelcomePage final : public BackupWizardPageBase {
    Q_OBJECT
public:
    explicit WelcomePage(CBakWzdDlg& wizard);
};

class SourcesPage final : public BackupWizardPageBase {
    Q_OBJECT
public:
    explicit SourcesPage(CBakWzdDlg& wizard);
    void initializePage() override;
    bool isComplete() const override;
    bool validatePage() override;
    uictl::FolderPicker& picker() { return *picker_; }

private:
    void show_choice();

    uictl::FolderPicker* picker_ = nullptr;
    QLabel* choice_ = nullptr;
    bool displayed_ = false;
};

class NamePage final : public BackupWizardPageBase {
    Q_OBJECT
public:
    explicit NamePage(CBakWzdDlg& wizard);
    void initializePage() override;
    bool validatePage() override;

private:
    void browse();

    QLineEdit* name_ = nullptr;
    QComboBox* destination_ = nullptr;
};

// The job's values as the summaries show them: the short one (page 4) or
// the whole one (the last page).
class SummaryPage final : public BackupWizardPageBase {
    Q_OBJECT
public:
    SummaryPage(CBakWzdDlg& wizard, bool whole);
    void initializePage() override;

private:
    bool whole_;
    QLabel* values_ = nullptr;
};

class KindPage final : public BackupWizardPageBase {
    Q_OBJECT
public:
    explicit KindPage(CBakWzdDlg& wizard);
    void initializePage() override;
    bool validatePage() override;

private:
    brim::BackupKind chosen() const;
    void show_kind();
    void edit_rule();

    QComboBox* kind_ = nullptr;
    QLabel* description_ = nullptr;
    QPushButton* rule_ = nullptr;
};

class SaveModePage final : public BackupWizardPageBase {
    Q_OBJECT
public:
    explicit SaveModePage(CBakWzdDlg& wizard);
    void initializePage() override;
    bool validatePage() override;

private:
    QRadioButton* append_ = nullptr;
    QRadioButton* replace_ = nullptr;
};

class SecurityPage final : public BackupWizardPageBase {
    Q_OBJECT
public:
    explicit SecurityPage(CBakWzdDlg& wizard);
    void initializePage() override;
    bool validatePage() override;

private:
    void kind_changed();

    QComboBox* kind_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* confirmation_ = nullptr;
};

class FilterPage final : public BackupWizardPageBase {
    Q_OBJECT
public:
    explicit FilterPage(CBakWzdDlg& wizard);
    void initializePage() override;
    bool validatePage() override;

private:
    ExtensionFilterEditor* editor_ = nullptr;
};

// One page of check boxes, each for one bit of the job's option word.
class OptionBitsPage final : public BackupWizardPageBase {
    Q_OBJECT
public:
    struct Choice {
        std::uint32_t text_id;
        std::uint32_t bit;
        const char* object_name;
    };
    OptionBitsPage(CBakWzdDlg& wizard, std::uint32_t title_id, std::uint32_t subtitle_id,
                   std::initializer_list<Choice> choices);
    void initializePage() override;
    bool validatePage() override;

private:
    std::vector<std::pair<QCheckBox*, std::uint32_t>> boxes_;
};

class SchedulePage final : public BackupWizardPageBase {
    Q_OBJECT
public:
    explicit SchedulePage(CBakWzdDlg& wizard);
    void initializePage() override;
    bool validatePage() override;

private:
    void later_chosen();
    void edit_schedule();
    void show_next_run();

    QRadioButton* now_ = nullptr;
    QRadioButton* later_ = nullptr;
    QLabel* next_run_ = nullptr;
    QPushButton* set_schedule_ = nullptr;
};

}  // namespace job
