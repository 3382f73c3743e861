#include "uictl/folder_picker.h"

#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace uictl {

FolderPicker::FolderPicker(QWidget* parent) : QWidget(parent) {
    setObjectName("folderPicker");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    tree_ = new CFolderTreeCtrl(splitter);
    list_ = new CFolderListCtrl(splitter);
    list_->setObjectName("folderList");
    list_->Init(tree_);
    splitter->addWidget(tree_);
    splitter->addWidget(list_);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    layout->addWidget(splitter, 1);
    add_server_ = new QPushButton(to_qstring(uictl_strings().text(text_id::add_ftp_server)), this);
    add_server_->setObjectName("addFtpServer");
    add_server_->setAutoDefault(false);
    layout->addWidget(add_server_, 0, Qt::AlignLeft);
    connect(add_server_, &QPushButton::clicked, tree_, &CFolderTreeCtrl::OnAddComputer);
    connect(tree_, &CBrimTreeCtrl::selectionChanged, this, &FolderPicker::selectionChanged);
    setTabOrder(tree_, list_);
    setTabOrder(list_, add_server_);
    setFocusProxy(tree_);
}

}  // namespace uictl
