#include "job/extension_filter_editor.h"

#include <algorithm>

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/jobs/backup_item.h"
#include "core/jobs/job_options.h"
#include "job/backup_kinds.h"
#include "job/dialog_buttons.h"
#include "job/job_strings.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

namespace job {
namespace {

namespace opt = brim::job_option;
using uictl::from_qstring;
using uictl::to_qstring;

bk::String trimmed(bk::StringView text) {
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return bk::String(text.substr(first, last - first));
}

}  // namespace

bk::String NormalizeExtension(bk::StringView text) {
    bk::String extension = trimmed(text);
    if (!extension.empty() && extension[0] == u'*') extension.erase(0, 1);
    if (extension.empty() || extension[0] != u'.') extension.insert(0, 1, u'.');
    if (extension.size() < 2) return {};
    for (std::size_t i = 0; i < extension.size(); ++i) {
        const char16_t c = extension[i];
        if (c < 0x20 || c == 0x7F || c == u'/' || c == u'\\' || c == u'*' || c == u'?') return {};
        if (c == u'.' && i != 0) return {};
    }
    return extension;
}

ExtensionFilter ExtensionFilter::of_job(const brim::BackupItem& job, const std::vector<StringPair>& known) {
    ExtensionFilter filter;
    filter.used = job.has_option(opt::ignore_ext | opt::aware_ext);
    filter.exclude = !(job.has_option(opt::aware_ext) && !job.has_option(opt::ignore_ext));
    for (const bk::String& extension : job.extensions) {
        const bool listed = std::any_of(filter.entries.begin(), filter.entries.end(),
                                        [&](const StringPair& entry) { return entry.first == extension; });
        if (!listed) filter.entries.emplace_back(extension, FindVecPair(known, extension));
    }
    return filter;
}

bool ExtensionFilter::add(bk::StringView extension, bk::StringView description) {
    const bk::String normal = NormalizeExtension(extension);
    if (normal.empty()) return false;
    for (StringPair& entry : entries) {
        if (entry.first == normal) {
            entry.second = bk::String(description);
            return true;
        }
    }
    entries.emplace_back(normal, bk::String(description));
    return true;
}

std::vector<bk::String> ExtensionFilter::extensions() const {
    std::vector<bk::String> list;
    list.reserve(entries.size());
    for (const StringPair& entry : entries) list.push_back(entry.first);
    return list;
}

void ExtensionFilter::store_in(brim::BackupItem& job) const {
    job.options &= ~(opt::ignore_ext | opt::aware_ext);
    if (!used || entries.empty()) {
        job.extensions.clear();
        return;
    }
    job.options |= exclude ? opt::ignore_ext : opt::aware_ext;
    job.extensions = extensions();
}

void ExtensionFilter::record_in(CSystemOption& options) const {
    for (const StringPair& entry : entries) options.AddFileExt(entry.first, entry.second);
    if (!entries.empty()) options.FileExtsSort();
}

FilterTexts FilterTexts::for_sheet() {
    return {job_text(text_id::filter_use_sheet),      job_text(text_id::filter_exclude), job_text(text_id::filter_include_only),
            job_text(text_id::filter_add),            job_text(text_id::filter_remove),  job_text(text_id::filter_remove_all)};
}

FilterTexts FilterTexts::for_wizard() {
    return {job_text(text_id::filter_use_wizard), job_text(text_id::filter_exclude), job_text(text_id::filter_include),
            job_text(text_id::filter_add),        job_text(text_id::filter_remove),  job_text(text_id::filter_remove_all)};
}

ExtensionFilterEditor::ExtensionFilterEditor(const FilterTexts& texts, QWidget* parent)
    : QWidget(parent), ask_(&AskExtensionDialog) {
    setObjectName("extensionFilter");
    use_ = new QCheckBox(texts.use_filter);
    use_->setObjectName("useFilter");
    exclude_ = new QRadioButton(texts.exclude);
    exclude_->setObjectName("excludeExtensions");
    include_ = new QRadioButton(texts.include);
    include_->setObjectName("includeExtensions");
    exclude_->setChecked(true);

    list_ = new QTreeWidget;
    list_->setObjectName("extensionList");
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHeaderLabels({job_text(text_id::filter_extension_column), job_text(text_id::filter_description_column)});
    list_->header()->setStretchLastSection(true);
    list_->setColumnWidth(0, 110);
    list_->setMinimumHeight(110);

    add_ = new QPushButton(texts.add);
    add_->setObjectName("addExtension");
    remove_ = new QPushButton(texts.remove);
    remove_->setObjectName("removeExtension");
    remove_all_ = new QPushButton(texts.remove_all);
    remove_all_->setObjectName("removeAllExtensions");

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add_);
    buttons->addWidget(remove_);
    buttons->addWidget(remove_all_);
    buttons->addStretch(1);
    auto* list_row = new QHBoxLayout;
    list_row->addWidget(list_, 1);
    list_row->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(use_);
    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(20, 0, 0, 0);
    choices->addWidget(exclude_);
    choices->addWidget(include_);
    choices->addLayout(list_row, 1);
    layout->addLayout(choices, 1);

    setTabOrder(use_, exclude_);
    setTabOrder(exclude_, include_);
    setTabOrder(include_, list_);
    setTabOrder(list_, add_);
    setTabOrder(add_, remove_);
    setTabOrder(remove_, remove_all_);

    connect(use_, &QCheckBox::toggled, this, [this] {
        update_enabled();
        emit changed();
    });
    connect(exclude_, &QRadioButton::toggled, this, &ExtensionFilterEditor::changed);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &ExtensionFilterEditor::update_enabled);
    connect(add_, &QPushButton::clicked, this, &ExtensionFilterEditor::add_clicked);
    connect(remove_, &QPushButton::clicked, this, &ExtensionFilterEditor::remove_clicked);
    connect(remove_all_, &QPushButton::clicked, this, &ExtensionFilterEditor::remove_all_clicked);
    update_enabled();
}

void ExtensionFilterEditor::LoadJob(const brim::BackupItem& job, const CSystemOption& options) {
    SetFilter(ExtensionFilter::of_job(job, options.GetFileExts()));
}

void ExtensionFilterEditor::LoadSystemExtensions(const CSystemOption& options) {
    ExtensionFilter filter;
    filter.entries = options.GetFileExts();
    SetFilter(filter);
}

void ExtensionFilterEditor::SetFilter(const ExtensionFilter& filter) {
    use_->setChecked(filter.used);
    (filter.exclude ? exclude_ : include_)->setChecked(true);
    show_entries(filter.entries);
    update_enabled();
}

ExtensionFilter ExtensionFilterEditor::Filter() const {
    ExtensionFilter filter;
    filter.used = use_->isChecked();
    filter.exclude = exclude_->isChecked();
    filter.entries = entries();
    return filter;
}

void ExtensionFilterEditor::StoreJob(brim::BackupItem& job, CSystemOption& options) const {
    const ExtensionFilter filter = Filter();
    filter.record_in(options);
    filter.store_in(job);
}

void ExtensionFilterEditor::SetEditable(bool editable) {
    editable_ = editable;
    use_->setEnabled(editable);
    update_enabled();
}

void ExtensionFilterEditor::add_clicked() {
    bk::String extension;
    bk::String description;
    if (!ask_(this, extension, description)) return;
    ExtensionFilter filter = Filter();
    if (!filter.add(extension, description)) return;
    show_entries(filter.entries);
    const bk::String added = NormalizeExtension(extension);
    for (int row = 0; row < list_->topLevelItemCount(); ++row)
        if (from_qstring(list_->topLevelItem(row)->text(0)) == added) list_->setCurrentItem(list_->topLevelItem(row));
    emit changed();
}

void ExtensionFilterEditor::remove_clicked() {
    qDeleteAll(list_->selectedItems());
    update_enabled();
    emit changed();
}

void ExtensionFilterEditor::remove_all_clicked() {
    list_->clear();
    update_enabled();
    emit changed();
}

void ExtensionFilterEditor::show_entries(const std::vector<StringPair>& entries) {
    list_->clear();
    for (const StringPair& entry : entries)
        list_->addTopLevelItem(new QTreeWidgetItem({to_qstring(entry.first), to_qstring(entry.second)}));
}

std::vector<StringPair> ExtensionFilterEditor::entries() const {
    std::vector<StringPair> list;
    for (int row = 0; row < list_->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = list_->topLevelItem(row);
        list.emplace_back(from_qstring(item->text(0)), from_qstring(item->text(1)));
    }
    return list;
}

void ExtensionFilterEditor::update_enabled() {
    const bool on = editable_ && use_->isChecked();
    exclude_->setEnabled(on);
    include_->setEnabled(on);
    list_->setEnabled(on);
    add_->setEnabled(on);
    remove_->setEnabled(on && !list_->selectedItems().isEmpty());
    remove_all_->setEnabled(on && list_->topLevelItemCount() > 0);
}

bool AskExtensionDialog(QWidget* parent, bk::String& extension, bk::String& description) {
    QDialog dialog(parent);
    dialog.setObjectName("addExtensionDialog");
    dialog.setWindowTitle(job_text(text_id::filter_add_title));
    auto* extension_edit = new QLineEdit;
    extension_edit->setObjectName("extension");
    extension_edit->setMaxLength(static_cast<int>(max_stored_text));
    auto* description_edit = new QLineEdit;
    description_edit->setObjectName("description");
    description_edit->setMaxLength(static_cast<int>(max_stored_text));
    auto* form = new QFormLayout;
    form->addRow(job_text(text_id::filter_extension_label), extension_edit);
    form->addRow(job_text(text_id::filter_description_label), description_edit);
    auto* buttons = MakeDialogButtons(dialog);
    // OK checks the extension first.
    QObject::disconnect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (NormalizeExtension(from_qstring(extension_edit->text())).empty()) {
            const bk::String message = job_strings().text(text_id::filter_bad_extension);
            BrimMessageBox(message.c_str(), u"", mb::ok | mb::icon_warning);
            extension_edit->setFocus();
            return;
        }
        dialog.accept();
    });
    dialog.resize(360, dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted) return false;
    extension = from_qstring(extension_edit->text());
    description = from_qstring(description_edit->text());
    return true;
}

}  // namespace job
