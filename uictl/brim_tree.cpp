#include "uictl/brim_tree.h"

#include <QDateTime>
#include <QHeaderView>
#include <QStyle>

#include "uictl/byte_to_string.h"
#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace uictl {

namespace {

constexpr int node_role = Qt::UserRole;
constexpr int file_role = Qt::UserRole + 1;  // list rows: true for a file, its index in node_role

Qt::CheckState qt_state(int state) {
    if (state == selected) return Qt::Checked;
    if (state == partly_selected) return Qt::PartiallyChecked;
    return Qt::Unchecked;
}

void show_check(QTreeWidgetItem* item, int state) {
    if (state == no_check_box) {
        item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
        item->setData(0, Qt::CheckStateRole, QVariant());
    } else {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, qt_state(state));
    }
}

}  // namespace

QString shown_name(bk::StringView name) {
    bk::String shown(name);
    for (auto& c : shown)
        if (c < 0x20 || c == 0x7F) c = u'\uFFFD';
    return to_qstring(shown);
}

// ---- the tree ----

CBrimTreeCtrl::CBrimTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    hook_model();
    connect(this, &QTreeWidget::itemChanged, this, &CBrimTreeCtrl::on_item_changed);
    connect(this, &QTreeWidget::itemExpanded, this, &CBrimTreeCtrl::on_item_expanded);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        const NodeId node = node_of(item);
        if (node != no_node) emit currentNodeChanged(node);
    });
}

CBrimTreeCtrl::~CBrimTreeCtrl() = default;

void CBrimTreeCtrl::hook_model() {
    model_.node_changed = [this](NodeId id) { show_state(id); };
    model_.selection_changed = [this] {
        emit statesChanged();
        emit selectionChanged();
    };
}

NodeId CBrimTreeCtrl::AddRoot(const QString& text, bk::String name, int kind, bool checkable, std::uintptr_t data,
                              bool may_have_children) {
    const NodeId id = model_.add_root(kind, std::move(name), checkable, data);
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, node_role, QVariant::fromValue<qulonglong>(id));
    if (may_have_children) item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    items_.resize(model_.size(), nullptr);
    items_[id] = item;
    const QSignalBlocker block(this);
    addTopLevelItem(item);
    show_check(item, model_.node(id).state);
    return id;
}

NodeId CBrimTreeCtrl::AddItem(NodeId parent, bk::String name, int kind, bool checkable, std::uintptr_t data,
                              bool may_have_children) {
    auto* item = new QTreeWidgetItem(QStringList{shown_name(name)});
    const NodeId id = model_.add_child(parent, kind, std::move(name), checkable, data);
    item->setData(0, node_role, QVariant::fromValue<qulonglong>(id));
    if (may_have_children) item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    items_.resize(model_.size(), nullptr);
    items_[id] = item;
    const QSignalBlocker block(this);
    items_[parent]->addChild(item);
    show_check(item, model_.node(id).state);
    return id;
}

void CBrimTreeCtrl::SetItemState(NodeId node, int state) { model_.set_state(node, state); }

void CBrimTreeCtrl::ClearAll() {
    {
        const QSignalBlocker block(this);
        clear();
        items_.clear();
        expanding_.clear();
        model_ = CheckModel();
        hook_model();
    }
    emit currentNodeChanged(no_node);
    emit selectionChanged();
}

QTreeWidgetItem* CBrimTreeCtrl::item_of(NodeId node) const { return node < items_.size() ? items_[node] : nullptr; }

NodeId CBrimTreeCtrl::node_of(const QTreeWidgetItem* item) const {
    if (item == nullptr) return no_node;
    const QVariant value = item->data(0, node_role);
    return value.isValid() ? static_cast<NodeId>(value.toULongLong()) : no_node;
}

NodeId CBrimTreeCtrl::current_node() const { return node_of(currentItem()); }

void CBrimTreeCtrl::select_node(NodeId node) {
    QTreeWidgetItem* item = item_of(node);
    if (item == nullptr) return;
    for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent()) up->setExpanded(true);
    setCurrentItem(item);
    scrollToItem(item);
}

void CBrimTreeCtrl::ensure_listed(NodeId node) {
    if (node == no_node || model_.node(node).listed || expanding_.contains(node)) return;
    // Showing what the listing finds (or why it failed) shows the node
    // again, which must not list it a second time.
    expanding_.insert(node);
    const bool complete = ExpandItem(node);
    expanding_.erase(node);
    if (complete) finish_listing(node);
}

void CBrimTreeCtrl::finish_listing(NodeId node) {
    model_.set_listed(node);
    if (QTreeWidgetItem* item = item_of(node))
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    emit statesChanged();
    if (current_node() == node) emit currentNodeChanged(node);
}

QTreeWidgetItem* CBrimTreeCtrl::note_item(QTreeWidgetItem* parent) const {
    for (int i = 0; i < parent->childCount(); ++i)
        if (!parent->child(i)->data(0, node_role).isValid()) return parent->child(i);
    return nullptr;
}

void CBrimTreeCtrl::set_content_note(NodeId node, const QString& note) {
    QTreeWidgetItem* parent = item_of(node);
    if (parent == nullptr) return;
    {
        const QSignalBlocker block(this);
        QTreeWidgetItem* item = note_item(parent);
        if (note.isEmpty()) {
            delete item;
        } else {
            if (item == nullptr) {
                item = new QTreeWidgetItem();
                item->setFlags(Qt::ItemIsEnabled);
                parent->insertChild(0, item);
            }
            item->setText(0, note);
            item->setToolTip(0, note);
        }
    }
    if (current_node() == node) emit currentNodeChanged(node);
}

QString CBrimTreeCtrl::content_note(NodeId node) const {
    QTreeWidgetItem* parent = item_of(node);
    QTreeWidgetItem* item = parent != nullptr ? note_item(parent) : nullptr;
    return item != nullptr ? item->text(0) : QString();
}

void CBrimTreeCtrl::on_item_changed(QTreeWidgetItem* item, int column) {
    if (updating_ || column != 0) return;
    const NodeId node = node_of(item);
    if (node == no_node) return;
    if (read_only_) {
        show_state(node);
        return;
    }
    // Qt has toggled the box already; the model decides what the click means.
    model_.click(node);
    show_state(node);
}

void CBrimTreeCtrl::on_item_expanded(QTreeWidgetItem* item) { ensure_listed(node_of(item)); }

void CBrimTreeCtrl::show_state(NodeId node) {
    QTreeWidgetItem* item = item_of(node);
    if (item == nullptr) return;
    updating_ = true;
    show_check(item, model_.node(node).state);
    updating_ = false;
}

// ---- the list ----

CBrimListCtrl::CBrimListCtrl(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    const auto& strings = uictl_strings();
    setHeaderLabels({to_qstring(strings.text(text_id::column_name)), to_qstring(strings.text(text_id::column_size)),
                     to_qstring(strings.text(text_id::column_modified))});
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    connect(this, &QTreeWidget::itemChanged, this, &CBrimListCtrl::on_item_changed);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &CBrimListCtrl::on_double_clicked);
}

void CBrimListCtrl::Init(CBrimTreeCtrl* tree) {
    tree_ = tree;
    connect(tree, &CBrimTreeCtrl::currentNodeChanged, this, &CBrimListCtrl::BrimTreeSelChanged);
    connect(tree, &CBrimTreeCtrl::statesChanged, this, &CBrimListCtrl::show_states);
}

void CBrimListCtrl::ClearAll() {
    const QSignalBlocker block(this);
    clear();
    shown_ = no_node;
}

void CBrimListCtrl::BrimTreeSelChanged(NodeId node) {
    // Listing first: it may show the node by itself (a note), and what is
    // shown below is then the whole of it.
    if (tree_ != nullptr && node != no_node && node < tree_->model().size()) tree_->ensure_listed(node);
    ClearAll();
    if (tree_ == nullptr || node == no_node || node >= tree_->model().size()) return;
    shown_ = node;
    const QSignalBlocker block(this);
    const CheckModel& model = tree_->model();
    const QString note = tree_->content_note(node);
    if (!note.isEmpty()) {
        auto* row = new QTreeWidgetItem(this, QStringList{note});
        row->setFlags(Qt::ItemIsEnabled);
        row->setToolTip(0, note);
    }
    for (const NodeId child : model.node(node).children) {
        QStringList texts{shown_name(model.node(child).name)};
        texts += container_columns(child);
        auto* row = new QTreeWidgetItem(this, texts);
        row->setData(0, node_role, QVariant::fromValue<qulonglong>(child));
        row->setData(0, file_role, false);
        row->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    }
    const auto& files = model.node(node).files;
    for (std::size_t i = 0; i < files.size(); ++i) {
        QStringList texts{shown_name(files[i].name)};
        texts += file_columns(node, files[i]);
        auto* row = new QTreeWidgetItem(this, texts);
        row->setData(0, node_role, QVariant::fromValue<qulonglong>(i));
        row->setData(0, file_role, true);
        row->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
        row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    show_states();
}

void CBrimListCtrl::show_states() {
    if (tree_ == nullptr || shown_ == no_node) return;
    const CheckModel& model = tree_->model();
    const CheckNode& owner = model.node(shown_);
    updating_ = true;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = topLevelItem(i);
        const QVariant index = row->data(0, node_role);
        if (!index.isValid()) continue;
        int state;
        if (row->data(0, file_role).toBool())
            state = owner.state == no_check_box ? no_check_box
                    : owner.files.at(index.toULongLong()).is_selected() ? selected : not_selected;
        else
            state = model.node(static_cast<NodeId>(index.toULongLong())).state;
        show_check(row, state);
    }
    updating_ = false;
}

void CBrimListCtrl::DoChangeState(int index) {
    QTreeWidgetItem* row = topLevelItem(index);
    if (row == nullptr || tree_ == nullptr || tree_->read_only()) return;
    const QVariant value = row->data(0, node_role);
    if (!value.isValid()) return;
    if (row->data(0, file_role).toBool())
        tree_->model().click_file(shown_, static_cast<std::size_t>(value.toULongLong()));
    else
        tree_->model().click(static_cast<NodeId>(value.toULongLong()));
    show_states();
}

void CBrimListCtrl::on_item_changed(QTreeWidgetItem* item, int column) {
    if (updating_ || column != 0) return;
    DoChangeState(indexOfTopLevelItem(item));
    show_states();
}

void CBrimListCtrl::on_double_clicked(QTreeWidgetItem* item, int) {
    if (tree_ == nullptr || item == nullptr || item->data(0, file_role).toBool()) return;
    const QVariant value = item->data(0, node_role);
    if (value.isValid()) tree_->select_node(static_cast<NodeId>(value.toULongLong()));
}

QStringList CBrimListCtrl::container_columns(NodeId) const { return {}; }

QStringList CBrimListCtrl::file_columns(NodeId, const FileEntry& file) const {
    return {to_qstring(byte_size_text(file.size)), modified_text(file.modified)};
}

QString modified_text(std::int64_t modified) {
    if (modified == 0) return {};
    return QDateTime::fromMSecsSinceEpoch(modified / 1000).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

}  // namespace uictl
