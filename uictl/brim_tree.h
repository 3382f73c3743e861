#pragma once
// The common tree and list of the selection controls: a tree of containers
// with tri-state check boxes over a CheckModel, and the list beside it that
// shows the content (child containers and files) of the tree's current
// item, with the same check states. A click on a check box in either goes
// to the model, which carries the change down and up; both views then show
// the model's states again. The GUI thread only.
#include <set>

#include <QString>
#include <QTreeWidget>

#include "uictl/check_model.h"

namespace uictl {

// What a name looks like on screen: control characters (a line break in a
// file name) are shown as U+FFFD so that a row stays one line. The name
// itself is never changed.
QString shown_name(bk::StringView name);
// A time (microseconds since 1970 UTC) in local time as the lists show it;
// empty for 0 (unknown).
QString modified_text(std::int64_t modified);

class CBrimTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit CBrimTreeCtrl(QWidget* parent = nullptr);
    ~CBrimTreeCtrl() override;

    CheckModel& model() { return model_; }
    const CheckModel& model() const { return model_; }

    // A top-level item showing `text` for the container `name` (the piece its
    // children's paths start with); `may_have_children` gives it an expander
    // before its content is listed.
    NodeId AddRoot(const QString& text, bk::String name, int kind, bool checkable, std::uintptr_t data,
                   bool may_have_children);
    // A child item of `parent`, its state from the parent (check_model.h).
    NodeId AddItem(NodeId parent, bk::String name, int kind, bool checkable, std::uintptr_t data,
                   bool may_have_children);
    // Sets a container's state and carries it down and up.
    void SetItemState(NodeId node, int state);
    int GetSelectedState(NodeId node) const { return model_.node(node).state; }
    bool HasSelection() const { return model_.has_selection(); }
    // Forgets every item.
    void ClearAll();

    QTreeWidgetItem* item_of(NodeId node) const;
    NodeId node_of(const QTreeWidgetItem* item) const;
    // The item whose content the list shows; no_node when none.
    NodeId current_node() const;
    void select_node(NodeId node);

    // Lists a container's content when it has not been listed yet (the
    // first expansion). The subclass adds the children and files.
    void ensure_listed(NodeId node);

    // Checking is refused while read-only.
    void set_read_only(bool read_only) { read_only_ = read_only; }
    bool read_only() const { return read_only_; }

    // A text shown in place of a container's content (a listing in
    // progress, the reason a listing failed); empty removes it.
    void set_content_note(NodeId node, const QString& note);
    QString content_note(NodeId node) const;

signals:
    // The selection changed (the owner's cue to read it again).
    void selectionChanged();
    // The check states of some items changed; the list shows them again.
    void statesChanged();
    // The current item changed; the list shows its content.
    void currentNodeChanged(NodeId node);

protected:
    // Lists the content of `node` (its children with AddItem, its files with
    // model().add_file) and returns true when it is complete; false leaves
    // it to be listed later (a listing that runs elsewhere calls
    // finish_listing when it is done).
    virtual bool ExpandItem(NodeId node) = 0;
    void finish_listing(NodeId node);

private:
    void hook_model();
    void on_item_changed(QTreeWidgetItem* item, int column);
    void on_item_expanded(QTreeWidgetItem* item);
    void show_state(NodeId node);
    QTreeWidgetItem* note_item(QTreeWidgetItem* parent) const;

    CheckModel model_;
    std::vector<QTreeWidgetItem*> items_;  // by node
    std::set<NodeId> expanding_;          // listings under way on this thread
    bool updating_ = false;
    bool read_only_ = false;
};

// The content list: one row per child container, then one per file of the
// tree's current item, each with its check box; the columns after the
// name are the subclass's.
class CBrimListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit CBrimListCtrl(QWidget* parent = nullptr);

    // Follows `tree`: its current item's content, its state changes.
    void Init(CBrimTreeCtrl* tree);
    CBrimTreeCtrl* tree() const { return tree_; }
    // Shows the content of `node` (no_node: nothing).
    virtual void BrimTreeSelChanged(NodeId node);
    // A click on the check box of row `index`.
    void DoChangeState(int index);
    NodeId shown_node() const { return shown_; }
    void ClearAll();

protected:
    // The texts of the columns after the name (size, modified), for a child
    // container (none by default) and for a file.
    virtual QStringList container_columns(NodeId node) const;
    virtual QStringList file_columns(NodeId owner, const FileEntry& file) const;

private:
    void show_states();
    void on_item_changed(QTreeWidgetItem* item, int column);
    void on_double_clicked(QTreeWidgetItem* item, int column);

    CBrimTreeCtrl* tree_ = nullptr;
    NodeId shown_ = no_node;
    bool updating_ = false;
};

}  // namespace uictl
