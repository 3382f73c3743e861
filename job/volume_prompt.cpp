#include "job/volume_prompt.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "job/job_strings.h"
#include "uictl/file_chooser.h"
#include "uictl/help_files.h"
#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace job {
namespace {

using uictl::to_qstring;

// The help page of a set that cannot be opened also tells where volumes go.
constexpr int volume_help = 1010;

QString text(std::uint32_t id) { return to_qstring(job_strings().text(id)); }

VolumeAsker& installed() {
    static VolumeAsker asker;
    return asker;
}

}  // namespace

CVolumePromptDlg::CVolumePromptDlg(QWidget* parent, const bk::String& missing) : QDialog(parent) {
    setWindowTitle(text(text_id::volume_title));
    auto* prompt = new QLabel(text(text_id::volume_prompt));
    prompt->setWordWrap(true);
    path_ = new QLineEdit(to_qstring(missing));
    path_->setObjectName("volumePath");
    path_->setMinimumWidth(360);
    prompt->setBuddy(path_);
    auto* browse = new QPushButton(text(text_id::browse_b));
    browse->setObjectName("browse");
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &CVolumePromptDlg::browse);
    auto* row = new QHBoxLayout;
    row->addWidget(path_, 1);
    row->addWidget(browse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);
    const auto& controls = uictl::uictl_strings();
    buttons->button(QDialogButtonBox::Ok)->setText(to_qstring(controls.text(uictl::text_id::ok_button)));
    buttons->button(QDialogButtonBox::Cancel)->setText(to_qstring(controls.text(uictl::text_id::cancel_button)));
    buttons->button(QDialogButtonBox::Help)->setText(to_qstring(controls.text(uictl::text_id::help_button)));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] { uictl::open_help(volume_help); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

bk::String CVolumePromptDlg::path() const { return uictl::from_qstring(path_->text().trimmed()); }

void CVolumePromptDlg::browse() {
    const QString chosen = uictl::choose_file(false, path_->text(), text(text_id::archive_file_filter));
    if (!chosen.isEmpty()) path_->setText(chosen);
}

void set_volume_asker(VolumeAsker asker) { installed() = std::move(asker); }

bool VolumePrompt::locate_volume(bk::String& path) {
    if (installed()) return installed()(path);
    CVolumePromptDlg dialog(parent_, path);
    if (dialog.exec() != QDialog::Accepted) return false;
    path = dialog.path();
    return true;
}

}  // namespace job
