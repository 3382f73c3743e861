#pragma once
// The folder selection control as the dialogs place it: the folder tree and
// its content list side by side, and a button that adds an FTP server.
#include <QWidget>

#include "uictl/folder_tree.h"

class QPushButton;

namespace uictl {

class FolderPicker final : public QWidget {
    Q_OBJECT
public:
    explicit FolderPicker(QWidget* parent = nullptr);

    CFolderTreeCtrl& tree() { return *tree_; }
    CFolderListCtrl& list() { return *list_; }

signals:
    // The selection changed: what GetSelectedData gives changed.
    void selectionChanged();

private:
    CFolderTreeCtrl* tree_;
    CFolderListCtrl* list_;
    QPushButton* add_server_;
};

}  // namespace uictl
