#pragma once
// The options dialog: general, backup, restore and report pages over the
// user's options, with the defaults button.
#include <QDialog>

#include "app/option_values.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QTabWidget;

namespace app {

class COptionDlg final : public QDialog {
    Q_OBJECT
public:
    explicit COptionDlg(QWidget* parent = nullptr);

    // The values the pages show now.
    OptionValues values() const;
    void show_values(const OptionValues& values);
    // The defaults button.
    void use_defaults();

    void accept() override;

private:
    QWidget* general_page();
    QWidget* backup_page();
    QWidget* restore_page();
    QWidget* report_page();

    QTabWidget* pages_ = nullptr;
    QCheckBox* confirm_ = nullptr;
    QCheckBox* tray_ = nullptr;
    QCheckBox* hidden_ = nullptr;
    QCheckBox* copies_ = nullptr;
    QSpinBox* copy_days_ = nullptr;
    QComboBox* volume_ = nullptr;
    QComboBox* kind_ = nullptr;
    QLabel* kind_text_ = nullptr;
    QCheckBox* append_ = nullptr;
    QCheckBox* notify_ = nullptr;
    QCheckBox* verify_ = nullptr;
    QComboBox* policy_ = nullptr;
    QCheckBox* folders_ = nullptr;
    QCheckBox* drive_ = nullptr;
    QSpinBox* reports_ = nullptr;
};

}  // namespace app
