#pragma once
// The restore selection control as the restore wizard places it: the archive
// tree and its content list side by side.
#include <QWidget>

#include "uictl/restore_tree.h"

namespace uictl {

class RestorePicker final : public QWidget {
    Q_OBJECT
public:
    explicit RestorePicker(QWidget* parent = nullptr);

    CRestoreTreeCtrl& tree() { return *tree_; }
    CRestoreListCtrl& list() { return *list_; }

signals:
    // The selection changed: what GetSelectedData gives changed.
    void selectionChanged();

private:
    CRestoreTreeCtrl* tree_;
    CRestoreListCtrl* list_;
};

}  // namespace uictl
