#include "job/dialog_buttons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace job {

QDialogButtonBox* MakeDialogButtons(QDialog& dialog, bool with_help) {
    const auto add = [](QDialogButtonBox* box, std::uint32_t text, QDialogButtonBox::ButtonRole role, const char* name) {
        QPushButton* button = box->addButton(uictl::to_qstring(uictl::uictl_strings().text(text)), role);
        button->setObjectName(name);
        return button;
    };
    auto* buttons = new QDialogButtonBox;
    add(buttons, uictl::text_id::ok_button, QDialogButtonBox::AcceptRole, "ok")->setDefault(true);
    add(buttons, uictl::text_id::cancel_button, QDialogButtonBox::RejectRole, "cancel");
    if (with_help) add(buttons, uictl::text_id::help_button, QDialogButtonBox::HelpRole, "help");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

}  // namespace job
