#pragma once
// The new user-data job: the rows of the known programs' data (found rows
// can be ticked, the others say they were not found), the job's name, its
// destination from the history and "run now". OK checks the name and the
// destination, asks before an existing set at the destination is cleared,
// and makes a job whose sources are the ticked rows' folders and files; the
// caller adds it to the store. The dialog's place is kept for the next time.
#include <memory>
#include <vector>

#include <QDialog>

#include "app/user_data_sources.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTreeWidget;

namespace brim {
class BackupItem;
}

namespace app {

class CNewUserDataJobDlg final : public QDialog {
    Q_OBJECT
public:
    // The rows are looked for now, under the wait cursor.
    explicit CNewUserDataJobDlg(const UserDataPlaces& places, QWidget* parent = nullptr);
    ~CNewUserDataJobDlg() override;

    // After OK: the finished job (the dialog keeps nothing) and whether to
    // run it at once. Null before OK or after Cancel.
    std::unique_ptr<brim::BackupItem> take_job();
    bool run_now() const;

    QTreeWidget& rows_list() const { return *rows_list_; }
    QLineEdit& name_field() const { return *name_; }
    QComboBox& destination_field() const { return *destination_; }

public slots:
    void accept() override;

protected:
    void done(int result) override;

private:
    // The OK steps up to the sources; false keeps the dialog open.
    bool checks_pass();
    bool existing_set_cleared();
    // The sources of the ticked rows, in row order.
    std::vector<UserDataSource> ticked_sources() const;
    void choose_destination();

    std::vector<UserDataRow> rows_;
    std::unique_ptr<brim::BackupItem> job_;
    bool accepted_ = false;
    QTreeWidget* rows_list_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* destination_ = nullptr;
    QCheckBox* run_now_ = nullptr;
};

}  // namespace app
