#include "job/system_option.h"

#include <algorithm>
#include <memory>

#include <QFile>
#include <QSettings>

#include "basekit/text_format.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/log_manager.h"
#include "job/shell_association.h"
#include "uictl/qt_text.h"

namespace job {
namespace {

using uictl::from_qstring;
using uictl::to_qstring;

constexpr char restore_choice_key[] = "RestoreChoice";
constexpr char backup_kind_key[] = "BackupKind";
constexpr char backup_option_key[] = "BackupOption";
constexpr char log_limit_key[] = "LogLimit";
constexpr char auto_backup_day_key[] = "AutoBackupDay";
constexpr char segment_size_key[] = "SegmentSize";
constexpr char max_report_count_key[] = "MaxReportCount";
constexpr char show_again_group[] = "ShowAgain";
constexpr char file_filter_group[] = "FileFilter";
constexpr char backup_dest_group[] = "History/BackupDest";
constexpr char restore_dest_group[] = "History/RestoreDest";

// The program's key of the user's settings store.
std::unique_ptr<QSettings> open_store() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvex Software"),
                                       QStringLiteral("Brimvault"));
}

bool store_exists(const QSettings& store) {
    return QFile::exists(store.fileName());
}

bool sync_ok(QSettings& store) {
    store.sync();
    return store.status() == QSettings::NoError;
}

// A number value as the 32-bit word it is stored as; nullopt when it is
// missing or no number.
std::optional<std::uint32_t> read_word(const QSettings& store, const QString& key) {
    const QVariant value = store.value(key);
    if (!value.isValid()) return std::nullopt;
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!ok) return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

QString group_key(const char* group, bk::StringView name) {
    return QString::fromLatin1(group) + '/' + to_qstring(name);
}

// The values of a group as (name, text) pairs in listing order; the first
// value whose name or text does not fit ends the listing.
std::vector<StringPair> read_list(QSettings& store, const char* group) {
    std::vector<StringPair> list;
    store.beginGroup(QString::fromLatin1(group));
    for (const QString& name : store.childKeys()) {
        const QString text = store.value(name).toString();
        if (static_cast<std::size_t>(name.size()) > max_value_name ||
            static_cast<std::size_t>(text.size()) > max_stored_text)
            break;
        list.emplace_back(from_qstring(name), from_qstring(text));
    }
    store.endGroup();
    return list;
}

void write_list(QSettings& store, const char* group, const std::vector<StringPair>& list) {
    store.remove(QString::fromLatin1(group));
    store.beginGroup(QString::fromLatin1(group));
    for (const auto& [name, text] : list) store.setValue(to_qstring(name), to_qstring(text));
    store.endGroup();
}

// History names are "1" to "8": shorter names first keeps them in number
// order also past nine.
void sort_by_name(std::vector<StringPair>& list) {
    std::stable_sort(list.begin(), list.end(), [](const StringPair& a, const StringPair& b) {
        return a.first.size() != b.first.size() ? a.first.size() < b.first.size() : a.first < b.first;
    });
}

std::unique_ptr<CSystemOption>& instance() {
    static std::unique_ptr<CSystemOption> options;
    return options;
}

}  // namespace

CSystemOption* CSystemOption::GetInstance() {
    auto& options = instance();
    if (!options) options = std::make_unique<CSystemOption>();
    return options.get();
}

void CSystemOption::DelInstance() {
    instance().reset();
}

CSystemOption::CSystemOption() = default;

int CSystemOption::Load() {
    auto store = open_store();
    if (!store_exists(*store)) return 0;
    const auto word = [&](const char* key, std::uint32_t fallback) {
        return read_word(*store, QString::fromLatin1(key)).value_or(fallback);
    };
    restore_choice_ = word(restore_choice_key, option_default::restore_choice);
    log_limit_ = word(log_limit_key, option_default::log_limit);
    if (log_limit_ == 0 || log_limit_ > 5) log_limit_ = option_default::log_limit;
    segment_size_ = word(segment_size_key, option_default::segment_size);
    if (segment_size_ < 256) segment_size_ = option_default::segment_size;
    auto_backup_day_ = word(auto_backup_day_key, option_default::auto_backup_day);
    if (auto_backup_day_ > 365) auto_backup_day_ = option_default::auto_backup_day;
    backup_option_ = static_cast<std::int32_t>(word(backup_option_key, option_default::backup_option));
    if (backup_option_ < 0 || backup_option_ > 1792) backup_option_ = option_default::backup_option;
    backup_kind_ = static_cast<std::int32_t>(word(backup_kind_key, option_default::backup_kind));
    if (backup_kind_ < 0 || backup_kind_ > 7) backup_kind_ = option_default::backup_kind;

    file_exts_ = read_list(*store, file_filter_group);
    backup_dests_ = read_list(*store, backup_dest_group);
    sort_by_name(backup_dests_);
    restore_dests_ = read_list(*store, restore_dest_group);
    sort_by_name(restore_dests_);
    return 1;
}

int CSystemOption::LoadWithDefault() {
    restore_choice_ = option_default::restore_choice;
    log_limit_ = option_default::log_limit;
    segment_size_ = option_default::segment_size;
    auto_backup_day_ = option_default::auto_backup_day;
    backup_option_ = option_default::backup_option;
    backup_kind_ = option_default::backup_kind;
    clean_ = false;
    return 1;
}

int CSystemOption::Save() const {
    if (clean_) return 1;
    clean_ = true;
    auto store = open_store();
    store->setValue(QString::fromLatin1(restore_choice_key), restore_choice_);
    store->setValue(QString::fromLatin1(backup_kind_key), static_cast<std::uint32_t>(backup_kind_));
    store->setValue(QString::fromLatin1(backup_option_key), static_cast<std::uint32_t>(backup_option_));
    store->setValue(QString::fromLatin1(log_limit_key), log_limit_);
    store->setValue(QString::fromLatin1(auto_backup_day_key), auto_backup_day_);
    store->setValue(QString::fromLatin1(segment_size_key), segment_size_);
    write_list(*store, file_filter_group, file_exts_);
    write_list(*store, backup_dest_group, backup_dests_);
    write_list(*store, restore_dest_group, restore_dests_);
    return sync_ok(*store) ? 1 : 0;
}

unsigned CSystemOption::GetMaxReportCount() const {
    return read_word(*open_store(), QString::fromLatin1(max_report_count_key)).value_or(0);
}

int CSystemOption::SetMaxReportCount(unsigned count) const {
    auto store = open_store();
    store->setValue(QString::fromLatin1(max_report_count_key), count);
    return sync_ok(*store) ? 1 : 0;
}

int CSystemOption::GetNeverShowValue(bk::StringView name) const {
    const auto mark = read_word(*open_store(), group_key(show_again_group, name));
    return mark ? static_cast<std::int32_t>(*mark) : 1;
}

int CSystemOption::SetNeverShowValue(bk::StringView name, int value) {
    auto store = open_store();
    store->setValue(group_key(show_again_group, name), static_cast<std::uint32_t>(value));
    return sync_ok(*store) ? 1 : 0;
}

bk::String CSystemOption::GetStringValue(bk::StringView name) const {
    const QVariant value = open_store()->value(to_qstring(name));
    if (!value.isValid()) return {};
    const QString text = value.toString();
    if (static_cast<std::size_t>(text.size()) > max_stored_text) return {};
    return from_qstring(text);
}

int CSystemOption::SetStringValue(bk::StringView name, bk::StringView value) {
    auto store = open_store();
    store->setValue(to_qstring(name), to_qstring(value));
    return sync_ok(*store) ? 1 : 0;
}

int CSystemOption::RemoveStartupInfo() {
    auto store = open_store();
    const QString key = group_key(show_again_group, never_show::welcome_dialog);
    if (!store->contains(key)) return 0;
    store->remove(key);
    return sync_ok(*store) ? 1 : 0;
}

std::optional<uictl::UiLanguage> CSystemOption::GetUiLanguage() const {
    const bk::String value = GetStringValue(ui_language_value);
    if (value == u"zh") return uictl::UiLanguage::chinese;
    if (value == u"en") return uictl::UiLanguage::english;
    return std::nullopt;
}

int CSystemOption::SetUiLanguage(std::optional<uictl::UiLanguage> language) {
    if (!language) return SetStringValue(ui_language_value, u"");
    return SetStringValue(ui_language_value, *language == uictl::UiLanguage::chinese ? u"zh" : u"en");
}

void CSystemOption::ApplyUiLanguage() const {
    uictl::force_ui_language(GetUiLanguage());
}

void CSystemOption::AddFileExt(bk::StringView ext, bk::StringView description) {
    clean_ = false;
    const auto it = std::find_if(file_exts_.begin(), file_exts_.end(), [&](const StringPair& p) { return p.first == ext; });
    if (it != file_exts_.end()) it->second = bk::String(description);
    else file_exts_.emplace_back(bk::String(ext), bk::String(description));
}

void CSystemOption::FileExtsSort() {
    std::stable_sort(file_exts_.begin(), file_exts_.end(),
                     [](const StringPair& a, const StringPair& b) { return a.first < b.first; });
}

void CSystemOption::AddNewDest(bk::StringView path, SaveKind kind) {
    clean_ = false;
    auto& list = history(kind);
    const QString wanted = to_qstring(path);
    auto found = list.rend();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (to_qstring(it->second).compare(wanted, Qt::CaseInsensitive) == 0) {
            found = it;
            break;
        }
    }
    // Moving a path to the newest place shifts the paths after it (or all
    // of them, dropping the oldest) one place towards the oldest; the names
    // stay where they are.
    std::size_t from = 0;
    if (found != list.rend()) from = static_cast<std::size_t>(list.rend() - found) - 1;
    else if (list.size() < max_dest_history) {
        list.emplace_back(bk::format_text(u"%d", {static_cast<int>(list.size()) + 1}), bk::String(path));
        return;
    }
    for (std::size_t i = from; i + 1 < list.size(); ++i) list[i].second = std::move(list[i + 1].second);
    list.back().second = bk::String(path);
}

std::vector<bk::String> CSystemOption::GetDestHistory(SaveKind kind) const {
    std::vector<bk::String> paths;
    for (const auto& entry : history(kind)) paths.push_back(entry.second);
    return paths;
}

int CSystemOption::RegisterShellAssociation() {
    return register_shell_association(default_program_path()) ? 1 : 0;
}

int CSystemOption::UnregisterShellAssociation() {
    return unregister_shell_association() ? 1 : 0;
}

int CSystemOption::UnRegister() {
    auto store = open_store();
    if (!store_exists(*store)) return 0;
    store->clear();
    if (!sync_ok(*store)) return 0;
    return QFile::remove(store->fileName()) ? 1 : 0;
}

int CSystemOption::ExistRegister() const {
    return store_exists(*open_store()) ? 1 : 0;
}

void HandOptionsToCore(const CSystemOption& options) {
    const auto days = static_cast<std::int32_t>(options.GetAutoBackupDay());
    brim::LogManager* log = brim::LogManager::instance();
    log->max_log_size(options.GetLogLimit());
    log->save_copy(days);
    brim::BackupItemManager* store = brim::BackupItemManager::instance();
    store->save_copy(days);
    store->archive_segment(options.GetSegmentSize());
    store->max_report_count(options.GetMaxReportCount());
}

}  // namespace job
