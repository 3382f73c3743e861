#pragma once
// The option sheets of an existing (or just made) job: CBackupOptionSheet
// for the backup kinds, with the pages "general", "advanced" and "read and
// write", and CBurnerOptionSheet for burner jobs, with the burner's own page
// and the file filter. OK writes the changed settings into the job; what the
// caller does with the job afterwards (saving the store, refreshing its row)
// is its own business. Both are thin views over plain forms.
#include <memory>

#include <QDialog>

#include "core/jobs/backup_item.h"
#include "job/backup_option_form.h"
#include "job/extension_filter_editor.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace job {

// The help contexts of the sheets' pages, in page order.
namespace option_help {
inline constexpr int general = 1038;
inline constexpr int advanced = 1039;
inline constexpr int read_write = 1049;
}  // namespace option_help

// The title: 3005 for a new job, else 3007 with the job's name.
QString OptionSheetTitle(const brim::BackupItem& job, bool new_job);

class CBackupOptionSheet final : public QDialog {
    Q_OBJECT
public:
    enum Page { general_page = 0, advanced_page = 1, read_write_page = 2 };

    // Edits `job` (not owned; it outlives the sheet). `new_job`: the job has
    // no set of its own yet, so password changes touch no set.
    CBackupOptionSheet(brim::BackupItem& job, bool new_job, QWidget* parent = nullptr);

    const BackupOptionForm& form() const { return form_; }
    QTabWidget* pages() const { return pages_; }

    // OK: closes the sheet only when the job took the values.
    void accept() override;

protected:
    // The OK handling; 0 keeps the sheet open.
    int FinishedSet();
    // The job's current password text.
    bk::String GetPassword() const { return form_.GetPassword(); }
    // Enables or disables the security controls of the advanced page.
    void EnableSecurity(int enable);

private:
    QWidget* make_general_page();
    QWidget* make_advanced_page();
    QWidget* make_read_write_page();
    void kind_activated(int index);
    void edit_rule();
    void show_kind();
    void security_changed();
    void read_pages();
    void page_shown(int index);
    void show_help();

    BackupOptionForm form_;
    QTabWidget* pages_ = nullptr;
    QComboBox* kind_ = nullptr;
    QLabel* kind_description_ = nullptr;
    QPushButton* rule_button_ = nullptr;
    QLabel* rule_text_ = nullptr;
    QRadioButton* append_ = nullptr;
    QRadioButton* replace_ = nullptr;
    QCheckBox* verify_ = nullptr;
    QCheckBox* notify_ = nullptr;
    QComboBox* security_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* confirmation_ = nullptr;
    ExtensionFilterEditor* filter_ = nullptr;
    QCheckBox* open_file_ = nullptr;
};

// What the burner sheet's first page edits: the drive (the job's
// destination: a device such as /dev/sr0 or an image file ending in .iso)
// and the burner bits, verify and notify of the option word.
struct BurnerValues {
    bk::String drive;
    bool close_disc = false;
    bool eject = false;
    bool underrun = false;
    bool verify = false;
    bool notify = false;

    static BurnerValues of_job(const brim::BackupItem& job);
    // Into the job; an empty drive (after trimming blanks) keeps the job's.
    void store_in(brim::BackupItem& job) const;
};

class CBurnerOptionSheet final : public QDialog {
    Q_OBJECT
public:
    enum Page { burner_page = 0, filter_page = 1 };

    CBurnerOptionSheet(brim::BackupItem& job, bool new_job, QWidget* parent = nullptr);

    QTabWidget* pages() const { return pages_; }
    // OK: the first page's values, then the filter; it always succeeds.
    void accept() override;

private:
    void show_help();

    brim::BackupItem& job_;
    QTabWidget* pages_ = nullptr;
    QLineEdit* drive_ = nullptr;
    QCheckBox* close_disc_ = nullptr;
    QCheckBox* eject_ = nullptr;
    QCheckBox* underrun_ = nullptr;
    QCheckBox* verify_ = nullptr;
    QCheckBox* notify_ = nullptr;
    ExtensionFilterEditor* filter_ = nullptr;
};

// Opens the sheet that fits the job's kind (the burner sheet for a burner
// job) modally over `parent`; true when the user pressed OK and the job took
// the new settings. The caller saves the job store.
bool EditJobOptions(QWidget* parent, brim::BackupItem& job);

}  // namespace job
