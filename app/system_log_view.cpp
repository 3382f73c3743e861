#include "app/system_log_view.h"

#include <QApplication>
#include <QHeaderView>

#include "app/app_strings.h"
#include "app/grid_lines.h"
#include "app/file_chooser.h"
#include "basekit/date.h"
#include "core/backup_exception.h"
#include "core/jobs/log_manager.h"
#include "job/system_option.h"
#include "uictl/brim_message_box.h"
#include "uictl/message_box_flags.h"
#include "uictl/qt_text.h"
#include "uictl/wait_cursor.h"

namespace app {
namespace {

constexpr int export_failure_help = 1013;
constexpr int import_failure_help = 1014;

const char* extension_of(brim::LogFileFormat format) { return format == brim::LogFileFormat::text ? "txt" : "xml"; }

QString dialog_filter(std::uint32_t id) { return uictl::to_qstring(app_strings().text(id)); }

void show_failure(std::uint32_t id, const bk::String& reason, const QString& path, int help) {
    const bk::String text = app_strings().format(id, {reason, uictl::from_qstring(path)});
    BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_error | mb::help, nullptr, help);
}

}  // namespace

std::array<QString, 6> log_row_texts(const brim::LogItem& entry) {
    const auto type = static_cast<std::uint32_t>(entry.type);
    const bk::Date when(entry.time);
    const bool named = entry.type != brim::LogType::none;
    return {named ? uictl::to_qstring(app_strings().text(app_text::log_type_debug + type)) : QString(),
            uictl::to_qstring(when.to_date_string(bk::DatePattern::Short)),
            uictl::to_qstring(when.to_time_string(bk::TimePattern::Long)),
            uictl::to_qstring(entry.source_text()),
            uictl::to_qstring(entry.user),
            uictl::to_qstring(entry.description)};
}

CSystemLogView::CSystemLogView(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    show_grid_lines(*this, job::CSystemOption::GetInstance()->GetNeverShowValue(job::never_show::grid_lines) != 0);
    const std::array<std::pair<std::uint32_t, int>, 6> columns{{{app_text::log_column_type, 80},
                                                               {app_text::log_column_date, 70},
                                                               {app_text::log_column_time, 70},
                                                               {app_text::log_column_source, 80},
                                                               {app_text::log_column_user, 80},
                                                               {app_text::log_column_description, 400}}};
    QStringList titles;
    for (const auto& column : columns) titles << uictl::to_qstring(app_strings().text(column.first));
    setHeaderLabels(titles);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) header()->resizeSection(i, columns[i].second);
}

void CSystemLogView::add_row(const brim::LogItem& entry) {
    auto* row = new QTreeWidgetItem(this);
    const auto texts = log_row_texts(entry);
    for (int i = 0; i < static_cast<int>(texts.size()); ++i) row->setText(i, texts[i]);
    row->setToolTip(5, texts[5]);
    const auto icon = entry.type >= brim::LogType::error     ? QStyle::SP_MessageBoxCritical
                      : entry.type == brim::LogType::warning ? QStyle::SP_MessageBoxWarning
                                                             : QStyle::SP_MessageBoxInformation;
    row->setIcon(0, style()->standardIcon(icon));
}

void CSystemLogView::fill(const std::function<void()>& before_warning) {
    const uictl::WaitCursor wait;
    clear();
    auto* log = brim::LogManager::instance();
    brim::LogItemList entries;
    try {
        log->load(entries);
    } catch (const brim::BackupException&) {
        entries.clear();
        if (before_warning) before_warning();
        log->clear();
        BrimMessageBox(app_strings().text(app_text::log_damaged).c_str(),
                       app_strings().text(app_text::log_reset_title).c_str(), mb::ok | mb::icon_warning);
        if (!log->load_copy(entries)) log->clear();
    }
    for (const auto& entry : entries) add_row(*entry);
    append_new_entries();
    // The initial widths are a floor: dates and sources are never cut.
    for (int column = 0; column < columnCount() - 1; ++column)
        header()->resizeSection(column, std::max(header()->sectionSize(column), sizeHintForColumn(column)));
}

void CSystemLogView::append_new_entries() {
    for (const auto& entry : brim::LogManager::instance()->new_items()) add_row(*entry);
}

bool CSystemLogView::export_log(brim::LogFileFormat format) {
    const QString default_name = uictl::to_qstring(
        app_strings().format(app_text::log_file_name, {bk::String(format == brim::LogFileFormat::text ? u"txt" : u"xml")}));
    const QString chosen = choose_file(true, default_name,
                                       dialog_filter(format == brim::LogFileFormat::text ? app_text::text_filter
                                                                                          : app_text::xml_filter));
    if (chosen.isEmpty()) return false;
    const QString path = with_extension(chosen, QLatin1String(extension_of(format)));
    try {
        const uictl::WaitCursor wait;
        brim::LogManager::instance()->export_log(uictl::from_qstring(path), format);
        return true;
    } catch (const brim::BackupException& failure) {
        show_failure(app_text::log_export_failed, failure.message(), path, export_failure_help);
        return false;
    }
}

void CSystemLogView::import_log(brim::LogFileFormat format) {
    const QString pattern = QStringLiteral("*.") + QLatin1String(extension_of(format));
    const QString chosen = choose_file(false, pattern,
                                       dialog_filter(format == brim::LogFileFormat::text ? app_text::text_open_filter
                                                                                          : app_text::xml_open_filter));
    if (chosen.isEmpty()) return;
    try {
        const uictl::WaitCursor wait;
        for (const auto& entry : brim::LogManager::instance()->import_log(uictl::from_qstring(chosen), format))
            add_row(*entry);
    } catch (const brim::BackupException& failure) {
        show_failure(app_text::log_import_failed, failure.message(), chosen, import_failure_help);
    }
}

void CSystemLogView::clear_log() {
    const int answer = BrimMessageBox(app_strings().text(app_text::save_log_first).c_str(), u"",
                                      mb::yes_no_cancel | mb::icon_question);
    if (answer == button_id::cancel) return;
    if (answer == button_id::yes && !export_log(brim::LogFileFormat::xml)) return;
    const uictl::WaitCursor wait;
    clear();
    brim::LogManager::instance()->clear();
}

}  // namespace app
