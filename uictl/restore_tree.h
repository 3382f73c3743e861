#pragma once
// The archive tree and its content list, in which the user picks what a
// restore brings back from an opened set: all backups, each backup (run),
// its sources, their folders, and the files in each. Levels are listed when
// they are first opened. The selection becomes the item headers that
// BackupSession::restore takes: a selected level stands for everything
// beneath it, a partly selected one is broken down into what is selected.
#include <vector>

#include "core/archive/data_header.h"
#include "core/archive/set_layout.h"
#include "uictl/brim_tree.h"

namespace uictl {

// The kinds of the archive tree's nodes.
enum RestoreNodeKind : int {
    restore_all_runs = 7,  // every backup of the set
    restore_run = 8,       // one backup; its data is the run's root header
    restore_source = 9,    // a source folder of a run
    restore_folder = 10,   // a folder inside a source
};

class CRestoreTreeCtrl final : public CBrimTreeCtrl {
    Q_OBJECT
public:
    explicit CRestoreTreeCtrl(QWidget* parent = nullptr);

    // Shows the runs of an opened set (as BackupSession::open gives them,
    // oldest first), nothing selected. The runs must outlive the tree's use
    // of them (until the next Display or ClearAll).
    void Display(const std::vector<const brim::archive::RunLayout*>& runs);
    // Appends the headers of the selection to `out`; returns how many (0
    // when nothing is selected, `out` untouched).
    int GetSelectedData(std::vector<const brim::DataHeader*>& out) const;

    // The header a node stands for (a run's root for a run); null for the
    // node of all backups.
    const brim::DataHeader* header_of(NodeId node) const;

protected:
    bool ExpandItem(NodeId node) override;

private:
    void collect(NodeId node, std::vector<const brim::DataHeader*>& out) const;
    void list_header(NodeId node, const brim::DataHeader& header, int child_kind);

    std::vector<const brim::archive::RunLayout*> runs_;
};

class CRestoreListCtrl final : public CBrimListCtrl {
    Q_OBJECT
public:
    explicit CRestoreListCtrl(QWidget* parent = nullptr) : CBrimListCtrl(parent) {}
    void Init(CRestoreTreeCtrl* tree) {
        CBrimListCtrl::Init(tree);
        restore_tree_ = tree;
    }

protected:
    QStringList container_columns(NodeId node) const override;

private:
    CRestoreTreeCtrl* restore_tree_ = nullptr;
};

}  // namespace uictl
