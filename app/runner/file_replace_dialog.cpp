#include "app/runner/file_replace_dialog.h"

#include <tuple>

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/runner/runner_strings.h"
#include "uictl/byte_to_string.h"
#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace app {
namespace {

using uictl::to_qstring;

ReplacePrompt& installed_prompt() {
    static ReplacePrompt prompt;
    return prompt;
}

QString time_text(std::int64_t modified) {
    if (modified == 0) return QStringLiteral("-");
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(modified / 1000), QLocale::ShortFormat);
}

QString facts_text(const FileFacts& facts) {
    const bk::String size = facts.size < 0 ? bk::String(u"-") : uictl::byte_size_text(facts.size);
    return to_qstring(runner_strings().format(text_id::file_details, {size, uictl::from_qstring(time_text(facts.modified))}));
}

QLabel* icon_of(const FileFacts& facts, QWidget* parent) {
    static const QFileIconProvider provider;
    const QFileInfo info(to_qstring(facts.path));
    const QIcon icon = info.exists() ? provider.icon(info) : provider.icon(QFileIconProvider::File);
    auto* label = new QLabel(parent);
    label->setPixmap(icon.pixmap(32, 32));
    return label;
}

}  // namespace

FileFacts local_file_facts(const bk::String& path) {
    FileFacts facts{path};
    const QFileInfo info(to_qstring(path));
    if (!info.exists()) return facts;
    facts.size = info.size();
    facts.modified = info.lastModified().toMSecsSinceEpoch() * 1000;
    return facts;
}

FileReplaceDialog::FileReplaceDialog(QWidget* parent, const ReplaceQuestion& question) : QDialog(parent) {
    const auto& strings = runner_strings();
    setWindowTitle(to_qstring(strings.text(text_id::replace_title)));
    const QFileInfo existing(to_qstring(question.existing.path));
    auto* layout = new QVBoxLayout(this);
    auto* holds = new QLabel(to_qstring(strings.format(
        text_id::folder_holds_file, {uictl::from_qstring(QDir::toNativeSeparators(existing.absolutePath())),
                                     uictl::from_qstring(existing.fileName())})), this);
    holds->setWordWrap(true);
    holds->setObjectName("holds");
    layout->addWidget(holds);
    auto* files = new QGridLayout;
    int row = 0;
    for (const auto& [facts, lead, name] : {std::tuple{&question.existing, text_id::replace_existing, "existing"},
                                            std::tuple{&question.incoming, text_id::replace_with, "incoming"}}) {
        files->addWidget(new QLabel(to_qstring(strings.text(lead)), this), row++, 0, 1, 2);
        files->addWidget(icon_of(*facts, this), row, 0, Qt::AlignTop);
        auto* text = new QLabel(facts_text(*facts), this);
        text->setObjectName(name);
        files->addWidget(text, row++, 1);
    }
    files->setColumnStretch(1, 1);
    files->setColumnMinimumWidth(0, 48);
    layout->addLayout(files);
    apply_to_all_ = new QCheckBox(to_qstring(strings.text(text_id::replace_apply_to_all)), this);
    layout->addWidget(apply_to_all_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(to_qstring(uictl::uictl_strings().text(uictl::text_id::ok_button)));
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(to_qstring(uictl::uictl_strings().text(uictl::text_id::cancel_button)));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

ReplaceAnswer FileReplaceDialog::answer() const {
    return {result() == QDialog::Accepted, result() == QDialog::Accepted && apply_to_all_->isChecked()};
}

ReplaceAnswer ask_replace(const ReplaceQuestion& question) {
    if (installed_prompt()) return installed_prompt()(question);
    FileReplaceDialog dialog(QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                               : QApplication::activeWindow(),
                             question);
    dialog.exec();
    return dialog.answer();
}

void set_replace_prompt(ReplacePrompt prompt) { installed_prompt() = std::move(prompt); }

}  // namespace app
