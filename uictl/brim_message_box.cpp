#include "uictl/brim_message_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "uictl/help_files.h"
#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace uictl {
namespace {

MessageBoxSeam*& installed_seam() {
    static MessageBoxSeam* seam = nullptr;
    return seam;
}

QStyle::StandardPixmap pixmap_of(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::error: return QStyle::SP_MessageBoxCritical;
        case BoxIcon::question: return QStyle::SP_MessageBoxQuestion;
        case BoxIcon::warning: return QStyle::SP_MessageBoxWarning;
        default: return QStyle::SP_MessageBoxInformation;
    }
}

QWidget* owner_window() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

// The platform's own box, used for system-modal errors.
int show_platform_box(QWidget* owner, bk::StringView text, const MessageBoxLayout& layout) {
    QMessageBox box(QMessageBox::Critical, to_qstring(layout.title), to_qstring(text), QMessageBox::NoButton, owner);
    for (int button : layout.buttons) {
        QPushButton* push = box.addButton(to_qstring(uictl_strings().text(button_text_id(button))),
                                          QMessageBox::ActionRole);
        push->setProperty("brim_button", button);
        if (button == layout.default_button) box.setDefaultButton(push);
    }
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    return clicked != nullptr ? clicked->property("brim_button").toInt() : layout.escape_button;
}

}  // namespace

CBrimMessageDialog::CBrimMessageDialog(QWidget* owner, bk::StringView text, const MessageBoxLayout& layout,
                                       int help_context)
    : QDialog(owner), layout_(layout), help_context_(help_context) {
    setObjectName("brimMessageBox");
    setWindowTitle(to_qstring(layout_.title));
    auto* column = new QVBoxLayout(this);
    auto* message_row = new QHBoxLayout;
    if (layout_.icon != BoxIcon::none) {
        auto* icon = new QLabel(this);
        icon->setObjectName("icon");
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icon->setPixmap(style()->standardIcon(pixmap_of(layout_.icon), nullptr, this).pixmap(size, size));
        icon->setAlignment(Qt::AlignTop);
        message_row->addWidget(icon);
    }
    auto* label = new QLabel(to_qstring(text), this);
    label->setObjectName("text");
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message_row->addWidget(label, 1);
    column->addLayout(message_row);
    if (layout_.check != BoxCheck::none) {
        const auto id = layout_.check == BoxCheck::never_show_again ? text_id::never_show_again : text_id::apply_to_all;
        check_ = new QCheckBox(to_qstring(uictl_strings().text(id)), this);
        check_->setObjectName("check");
        column->addWidget(check_);
    }
    auto* button_row = new QHBoxLayout;
    button_row->addStretch(1);
    add_buttons(button_row);
    column->addLayout(button_row);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

void CBrimMessageDialog::add_buttons(QHBoxLayout* row) {
    for (int button : layout_.buttons) {
        auto* push = new QPushButton(to_qstring(uictl_strings().text(button_text_id(button))), this);
        push->setObjectName(QStringLiteral("button%1").arg(button));
        push->setAutoDefault(false);
        push->setDefault(button == layout_.default_button);
        if (button == layout_.default_button) push->setFocus();
        connect(push, &QPushButton::clicked, this, [this, button] { done(button); });
        row->addWidget(push);
    }
    if (layout_.help) {
        auto* push = new QPushButton(to_qstring(uictl_strings().text(text_id::help_button)), this);
        push->setObjectName("helpButton");
        push->setAutoDefault(false);
        connect(push, &QPushButton::clicked, this, [this] { open_help(help_context_); });
        row->addWidget(push);
    }
}

bool CBrimMessageDialog::checked() const {
    return check_ != nullptr && check_->isChecked();
}

void CBrimMessageDialog::reject() {
    if (layout_.escape_button != 0) done(layout_.escape_button);
}

MessageBoxSeam::MessageBoxSeam() {
    installed_seam() = this;
}

MessageBoxSeam::~MessageBoxSeam() {
    installed_seam() = nullptr;
}

void MessageBoxSeam::answer_next(int button, int check_state) {
    answers_.push_back({button, check_state});
}

MessageBoxSeam* MessageBoxSeam::current() {
    return installed_seam();
}

MessageBoxSeam::Answer MessageBoxSeam::take(const ShownMessage& box, const MessageBoxLayout& layout) {
    Answer answer{0};
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else {
        answer = {layout.escape_button != 0 ? layout.escape_button : layout.buttons.front(), 0};
    }
    ShownMessage recorded = box;
    recorded.button = answer.button;
    recorded.check_state = answer.check_state;
    shown_.push_back(std::move(recorded));
    return answer;
}

}  // namespace uictl

int BrimMessageBox(const char16_t* text, const char16_t* title, int flags, int* check_state, int help_context) {
    using namespace uictl;
    const bk::StringView message = text != nullptr ? text : u"";
    const MessageBoxLayout layout = layout_of_message_box(flags, title != nullptr ? title : u"");
    if (MessageBoxSeam* seam = MessageBoxSeam::current()) {
        const MessageBoxSeam::Answer answer =
            seam->take({bk::String(message), layout.title, flags, help_context}, layout);
        if (check_state != nullptr && layout.check != BoxCheck::none) *check_state = answer.check_state;
        return answer.button;
    }
    if (layout.platform_box) return show_platform_box(owner_window(), message, layout);
    CBrimMessageDialog dialog(owner_window(), message, layout, help_context);
    const int button = dialog.exec();
    if (check_state != nullptr && layout.check != BoxCheck::none) *check_state = dialog.checked() ? 1 : 0;
    return button;
}
