#include "job/restore_data_page.h"

#include <QVBoxLayout>

#include "job/job_strings.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"
#include "uictl/restore_picker.h"
#include "uictl/restore_tree.h"

namespace job {

ResDataPage::ResDataPage(CResWzdDlg& wizard) : wizard_(wizard) {
    setTitle(uictl::to_qstring(job_strings().text(text_id::data_title)));
    setSubTitle(uictl::to_qstring(job_strings().text(text_id::data_title + 1)));
    picker_ = new uictl::RestorePicker(this);
    picker_->setObjectName("picker");
    picker_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picker_, 1);
}

void ResDataPage::initializePage() {
    if (shown_ == wizard_.SessionSerial()) return;
    shown_ = wizard_.SessionSerial();
    picker_->tree().ClearAll();
    picker_->tree().Display(wizard_.GetInfoHdr());
}

bool ResDataPage::validatePage() {
    std::vector<const brim::DataHeader*> selection;
    if (picker_->tree().GetSelectedData(selection) == 0 || selection.empty()) {
        const bk::String text = job_strings().text(text_id::nothing_selected);
        BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_warning);
        return false;
    }
    wizard_.SetSelectData(std::move(selection));
    return true;
}

}  // namespace job
