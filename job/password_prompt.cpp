#include "job/password_prompt.h"

#include <QInputDialog>
#include <QLineEdit>

#include "uictl/qt_text.h"

namespace job {
namespace {

PasswordAnswer& installed_answer() {
    static PasswordAnswer answer;
    return answer;
}

}  // namespace

std::optional<bk::String> AskPassword(QWidget* parent, bk::StringView title, bk::StringView text) {
    if (installed_answer()) return installed_answer()(bk::String(text));
    bool ok = false;
    const QString entered = QInputDialog::getText(parent, uictl::to_qstring(title), uictl::to_qstring(text),
                                                  QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    return uictl::from_qstring(entered);
}

void SetPasswordAnswer(PasswordAnswer answer) { installed_answer() = std::move(answer); }

}  // namespace job
