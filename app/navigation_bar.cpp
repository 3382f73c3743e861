#include "app/navigation_bar.h"

#include <QListWidget>
#include <QStyle>

#include "app/app_strings.h"
#include "uictl/qt_text.h"

namespace app {
namespace {

QString text_of(std::uint32_t id) { return uictl::to_qstring(app_strings().text(id)); }

struct EntryText {
    NavEntry entry;
    std::uint32_t name;
    std::uint32_t tip;
    QStyle::StandardPixmap icon;
};

// Each folder's entries in the order shown; the system log has no tip of
// its own and shows its name.
constexpr EntryText quick_entries[] = {
    {NavEntry::job_manager, app_text::nav_job_manager, app_text::tip_job_manager, QStyle::SP_FileDialogDetailedView},
    {NavEntry::task_monitor, app_text::nav_task_monitor, app_text::tip_task_monitor, QStyle::SP_MediaPlay},
    {NavEntry::system_log, app_text::log_tab, app_text::log_tab, QStyle::SP_FileDialogContentsView},
};
constexpr EntryText tool_entries[] = {
    {NavEntry::backup_wizard, app_text::nav_backup_wizard, app_text::tip_backup_wizard, QStyle::SP_DialogSaveButton},
    {NavEntry::restore_wizard, app_text::nav_restore_wizard, app_text::tip_restore_wizard, QStyle::SP_DialogOpenButton},
};

}  // namespace

NavigationBar::NavigationBar(QWidget* parent) : QToolBox(parent) {
    setObjectName(QStringLiteral("navigationBar"));
    const auto folder = [this](const QString& name, const auto& entries, const QString& title) {
        auto* list = new QListWidget(this);
        list->setObjectName(name);
        list->setViewMode(QListView::IconMode);
        list->setFlow(QListView::TopToBottom);
        list->setMovement(QListView::Static);
        list->setWrapping(false);
        list->setIconSize(QSize(32, 32));
        list->setSpacing(6);
        list->setFrameShape(QFrame::NoFrame);
        for (const EntryText& entry : entries) {
            auto* item = new QListWidgetItem(style()->standardIcon(entry.icon), text_of(entry.name), list);
            item->setToolTip(text_of(entry.tip));
            item->setStatusTip(text_of(entry.tip));
            item->setData(Qt::UserRole, static_cast<int>(entry.entry));
            item->setTextAlignment(Qt::AlignHCenter);
        }
        connect(list, &QListWidget::itemClicked, this,
                [this](QListWidgetItem* item) { emit chosen(static_cast<NavEntry>(item->data(Qt::UserRole).toInt())); });
        addItem(list, title);
        return list;
    };
    quick_ = folder(QStringLiteral("quickUse"), quick_entries, text_of(app_text::nav_quick_use));
    tools_ = folder(QStringLiteral("tools"), tool_entries, text_of(app_text::nav_tools));
    setMinimumWidth(120);
}

QListWidget& NavigationBar::folder_of(NavEntry entry) const {
    return entry == NavEntry::backup_wizard || entry == NavEntry::restore_wizard ? *tools_ : *quick_;
}

int NavigationBar::row_of(NavEntry entry) const {
    const QListWidget& list = folder_of(entry);
    for (int row = 0; row < list.count(); ++row)
        if (list.item(row)->data(Qt::UserRole).toInt() == static_cast<int>(entry)) return row;
    return -1;
}

void NavigationBar::mark(NavEntry entry) {
    QListWidget& list = folder_of(entry);
    const QSignalBlocker quiet(list);
    list.setCurrentRow(row_of(entry));
}

}  // namespace app
