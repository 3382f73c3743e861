#include "uictl/restore_picker.h"

#include <QSplitter>
#include <QVBoxLayout>

namespace uictl {

RestorePicker::RestorePicker(QWidget* parent) : QWidget(parent) {
    setObjectName("restorePicker");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    tree_ = new CRestoreTreeCtrl(splitter);
    list_ = new CRestoreListCtrl(splitter);
    list_->setObjectName("restoreList");
    list_->Init(tree_);
    splitter->addWidget(tree_);
    splitter->addWidget(list_);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    layout->addWidget(splitter);
    connect(tree_, &CBrimTreeCtrl::selectionChanged, this, &RestorePicker::selectionChanged);
    setTabOrder(tree_, list_);
    setFocusProxy(tree_);
}

}  // namespace uictl
