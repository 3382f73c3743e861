#include "app/grid_lines.h"

#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace app {
namespace {

// A tree view has no grid of its own: each cell paints as usual and then its
// right and bottom edge in the palette's mid-light tone.
class GridDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool on = false;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (!on) return;
        painter->save();
        painter->setPen(option.palette.color(QPalette::Midlight));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
};

}  // namespace

void show_grid_lines(QTreeView& list, bool on) {
    auto* grid = dynamic_cast<GridDelegate*>(list.itemDelegate());
    if (grid == nullptr) {
        grid = new GridDelegate(&list);
        list.setItemDelegate(grid);
    }
    grid->on = on;
    list.viewport()->update();
}

bool shows_grid_lines(const QTreeView& list) {
    const auto* grid = dynamic_cast<const GridDelegate*>(list.itemDelegate());
    return grid != nullptr && grid->on;
}

}  // namespace app
