#include "app/runner/watcher_view.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTextCursor>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/runner/runner_controller.h"
#include "app/runner/runner_strings.h"
#include "uictl/byte_to_string.h"
#include "uictl/qt_text.h"

namespace app {
namespace {

using uictl::from_qstring;
using uictl::to_qstring;

QString text(std::uint32_t id) { return to_qstring(runner_strings().text(id)); }

QIcon icon_of(RowIcon icon, const QStyle* style) {
    switch (icon) {
        case RowIcon::running: return style->standardIcon(QStyle::SP_MediaPlay);
        case RowIcon::error: return style->standardIcon(QStyle::SP_MessageBoxCritical);
        case RowIcon::stopped: return style->standardIcon(QStyle::SP_MediaStop);
        case RowIcon::finished: return style->standardIcon(QStyle::SP_DialogApplyButton);
    }
    return {};
}

}  // namespace

WatcherView::WatcherView(RunnerController& controller, QWidget* parent) : QWidget(parent), controller_(controller) {
    rows_ = new QTreeWidget(this);
    rows_->setObjectName("rows");
    rows_->setRootIsDecorated(false);
    rows_->setUniformRowHeights(true);
    rows_->setColumnCount(column::count);
    QStringList headers;
    for (int i = 0; i < column::count; ++i) headers << text(text_id::column_job + static_cast<std::uint32_t>(i));
    rows_->setHeaderLabels(headers);
    rows_->header()->setStretchLastSection(false);
    rows_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    rows_->header()->setSectionResizeMode(column::job, QHeaderView::Stretch);

    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    progress_->setRange(0, 100);
    progress_->setValue(0);
    rate_ = new QLabel(this);
    rate_->setObjectName("rate");
    output_ = new QPlainTextEdit(this);
    output_->setObjectName("output");
    output_->setReadOnly(true);

    stop_ = new QPushButton(text(text_id::stop_button), this);
    pause_ = new QPushButton(text(text_id::pause_button), this);
    resume_ = new QPushButton(text(text_id::resume_button), this);
    stop_->setObjectName("stop");
    pause_->setObjectName("pause");
    resume_->setObjectName("resume");

    auto* commands = new QHBoxLayout;
    commands->addWidget(progress_, 1);
    commands->addWidget(rate_);
    commands->addWidget(stop_);
    commands->addWidget(pause_);
    commands->addWidget(resume_);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(rows_);
    split->addWidget(output_);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(commands);

    const auto on_selected = [this](auto command) {
        const QString job = selected_job();
        if (!job.isEmpty()) (controller_.*command)(from_qstring(job));
        refresh();
    };
    connect(stop_, &QPushButton::clicked, this, [=] { on_selected(&RunnerController::stop); });
    connect(pause_, &QPushButton::clicked, this, [=] { on_selected(&RunnerController::pause); });
    connect(resume_, &QPushButton::clicked, this, [=] { on_selected(&RunnerController::resume); });
    connect(rows_, &QTreeWidget::itemSelectionChanged, this, &WatcherView::show_selected);
    refresh_timer_.setSingleShot(true);
    refresh_timer_.setInterval(200);
    connect(&refresh_timer_, &QTimer::timeout, this, &WatcherView::refresh);
    connect(&controller_, &RunnerController::rows_changed, this, &WatcherView::refresh_soon);
    refresh();
}

QSize WatcherView::sizeHint() const { return {900, 420}; }

QString WatcherView::selected_job() const {
    const auto selected = rows_->selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->text(column::job);
}

void WatcherView::select_job(const QString& job_name) {
    for (int i = 0; i < rows_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = rows_->topLevelItem(i);
        if (item->text(column::job) == job_name) rows_->setCurrentItem(item);
    }
    show_selected();
}

void WatcherView::refresh_soon() {
    if (!refresh_timer_.isActive()) refresh_timer_.start();
}

void WatcherView::refresh() {
    refresh_timer_.stop();
    const auto rows = controller_.watchers().rows();
    const QString selected = selected_job();
    while (rows_->topLevelItemCount() > static_cast<int>(rows.size())) delete rows_->takeTopLevelItem(rows_->topLevelItemCount() - 1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QTreeWidgetItem* item = rows_->topLevelItem(static_cast<int>(i));
        if (item == nullptr) item = new QTreeWidgetItem(rows_);
        for (int c = 0; c < column::count; ++c) item->setText(c, to_qstring(rows[i]->column(c)));
        for (int c = column::total_files; c < column::count; ++c) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        item->setIcon(column::job, icon_of(rows[i]->icon(), style()));
    }
    if (selected.isEmpty() && rows_->topLevelItemCount() > 0) rows_->setCurrentItem(rows_->topLevelItem(0));
    show_selected();
}

QString WatcherView::progress_text(const WatcherRow& row) {
    const ProgressTicker& ticker = row.progress();
    if (ticker.seconds() == 0) return {};
    const QString rate = to_qstring(runner_strings().format(
        text_id::rate, {uictl::byte_size_text(static_cast<std::int64_t>(ticker.rate()))}));
    if (row.ended()) return rate;
    const std::int64_t left = ticker.seconds_left();
    const QString time_left =
        left < 0 ? text(text_id::time_left_unknown)
                 : to_qstring(runner_strings().format(
                       text_id::time_left, {ProgressTicker::clock_text(static_cast<std::uint32_t>(left))}));
    return rate + QStringLiteral("  ") + time_left;
}

void WatcherView::show_selected() {
    const QString job = selected_job();
    const WatcherRow* row = job.isEmpty() ? nullptr : controller_.watchers().find(from_qstring(job));
    if (row == nullptr) {
        progress_->setValue(0);
        rate_->clear();
    } else {
        progress_->setValue(row->state() == text_id::state_finished ? 100 : row->progress().percent());
        rate_->setText(progress_text(*row));
    }
    show_output(row);
    update_buttons(row);
}

void WatcherView::show_output(const WatcherRow* row) {
    const bk::String none;
    const bk::String& output = row != nullptr ? row->output() : none;
    const std::uint64_t serial = row != nullptr ? row->serial() : 0;
    if (serial == shown_row_ && output.size() == shown_length_) return;
    if (serial != shown_row_ || output.size() < shown_length_) {
        output_->setPlainText(to_qstring(output));
    } else {
        QTextCursor end(output_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(to_qstring(bk::StringView(output).substr(shown_length_)));
    }
    shown_row_ = serial;
    shown_length_ = output.size();
    output_->verticalScrollBar()->setValue(output_->verticalScrollBar()->maximum());
}

void WatcherView::update_buttons(const WatcherRow* row) {
    const bool going = row != nullptr && !row->ended();
    stop_->setEnabled(going);
    pause_->setEnabled(going && !row->paused());
    resume_->setEnabled(going && row->paused());
}

}  // namespace app
