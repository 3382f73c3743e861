#include "app/report_view.h"

#include <algorithm>
#include <cmath>

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/app_strings.h"
#include "basekit/date.h"
#include "basekit/exception.h"
#include "core/jobs/backup_item.h"
#include "core/jobs/backup_item_report_coll.h"
#include "job/backup_kinds.h"
#include "uictl/byte_to_string.h"
#include "uictl/qt_text.h"

namespace app {
namespace {

QString text_of(std::uint32_t id) { return uictl::to_qstring(app_strings().text(id)); }

QString tone_text(RunTone tone) { return text_of(app_text::tone_good + static_cast<std::uint32_t>(tone)); }

enum RunColumn { run_time, run_kind, run_result, run_files, run_stored, run_duration };

constexpr RunTone all_tones[] = {RunTone::good, RunTone::warnings, RunTone::stopped, RunTone::failed};

}  // namespace

QColor tone_colour(RunTone tone) {
    switch (tone) {
        case RunTone::good: return {0x3c, 0x9a, 0x4a};
        case RunTone::warnings: return {0xe0, 0xa0, 0x20};
        case RunTone::stopped: return {0x8a, 0x8a, 0x8a};
        case RunTone::failed: break;
    }
    return {0xc8, 0x40, 0x3a};
}

RunChart::RunChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("runChart"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void RunChart::set_points(std::vector<RunPoint> points) {
    points_ = std::move(points);
    update();
}

void RunChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();
    const QColor ink = palette().color(QPalette::Text);
    const QColor faint = palette().color(QPalette::Mid);
    const QColor duration_colour(0x2f, 0x6f, 0xb5);

    // The legend along the top, on as many lines as the width needs: the
    // tones, then the duration line.
    int x = 8;
    int legend_y = 6;
    const auto next_entry = [&](const QString& name) {
        const int entry_width = line + metrics.horizontalAdvance(name) + line;
        if (x > 8 && x + entry_width > width()) {
            x = 8;
            legend_y += line + 2;
        }
    };
    for (const RunTone tone : all_tones) {
        const QString name = tone_text(tone);
        next_entry(name);
        painter.fillRect(x, legend_y + 2, line - 4, line - 4, tone_colour(tone));
        x += line;
        painter.setPen(ink);
        painter.drawText(x, legend_y + metrics.ascent(), name);
        x += metrics.horizontalAdvance(name) + line;
    }
    const QString duration_name = text_of(app_text::column_duration);
    next_entry(duration_name);
    painter.setPen(QPen(duration_colour, 2));
    painter.drawLine(x, legend_y + line / 2, x + line - 4, legend_y + line / 2);
    x += line;
    painter.setPen(ink);
    painter.drawText(x, legend_y + metrics.ascent(), duration_name);

    std::uint64_t largest_size = 0;
    std::int64_t longest = 0;
    for (const RunPoint& point : points_) {
        largest_size = std::max(largest_size, point.stored_size);
        longest = std::max(longest, point.duration);
    }
    const AxisScale sizes = size_axis(largest_size);
    const AxisScale seconds = axis_scale(static_cast<std::uint64_t>((longest + bk::microseconds_per_second - 1) /
                                                                    bk::microseconds_per_second));
    int left_width = 0;
    int right_width = 0;
    const auto size_label = [&sizes](std::uint64_t i) {
        return uictl::to_qstring(uictl::byte_size_text(static_cast<std::int64_t>(sizes.step * i)));
    };
    const auto duration_label = [&seconds](std::uint64_t i) {
        return uictl::to_qstring(duration_text(static_cast<std::int64_t>(seconds.step * i) * bk::microseconds_per_second));
    };
    const std::uint64_t size_steps = sizes.top / sizes.step;
    const std::uint64_t duration_steps = seconds.top / seconds.step;
    for (std::uint64_t i = 0; i <= size_steps; ++i)
        left_width = std::max(left_width, metrics.horizontalAdvance(size_label(i)));
    for (std::uint64_t i = 0; i <= duration_steps; ++i)
        right_width = std::max(right_width, metrics.horizontalAdvance(duration_label(i)));
    const QRect plot(left_width + 14, legend_y + line * 2, width() - left_width - right_width - 28,
                     height() - legend_y - line * 4);
    if (plot.width() < 40 || plot.height() < 40) return;

    // The marks of the size axis draw the grid lines.
    for (std::uint64_t i = 0; i <= size_steps; ++i) {
        const int y = plot.bottom() - static_cast<int>(plot.height() * i / size_steps);
        painter.setPen(QPen(faint, 1, i == 0 ? Qt::SolidLine : Qt::DotLine));
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(ink);
        painter.drawText(QRect(0, y - line / 2, left_width + 8, line), Qt::AlignRight | Qt::AlignVCenter, size_label(i));
    }
    painter.setPen(duration_colour);
    for (std::uint64_t i = 0; i <= duration_steps; ++i) {
        const int y = plot.bottom() - static_cast<int>(plot.height() * i / duration_steps);
        painter.drawText(QRect(plot.right() + 6, y - line / 2, right_width + 8, line), Qt::AlignLeft | Qt::AlignVCenter,
                         duration_label(i));
    }
    if (points_.empty()) {
        painter.setPen(ink);
        painter.drawText(plot, Qt::AlignCenter, text_of(app_text::reports_none));
        return;
    }

    const double slot = static_cast<double>(plot.width()) / static_cast<double>(points_.size());
    const double bar = std::max(2.0, slot * 0.6);
    QPainterPath durations;
    // Dates under the bars, as many as fit without overlapping.
    const int date_width = metrics.horizontalAdvance(QStringLiteral("00-00")) + 8;
    const auto label_every = static_cast<std::size_t>(std::max(1.0, std::ceil(date_width / slot)));
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const RunPoint& point = points_[i];
        const double centre = plot.left() + slot * (static_cast<double>(i) + 0.5);
        const double height = static_cast<double>(plot.height()) * static_cast<double>(point.stored_size) /
                              static_cast<double>(sizes.top);
        painter.fillRect(QRectF(centre - bar / 2, plot.bottom() - height, bar, height), tone_colour(point.tone));
        const double seconds_taken = static_cast<double>(point.duration) / bk::microseconds_per_second;
        const QPointF at(centre, plot.bottom() - plot.height() * seconds_taken / static_cast<double>(seconds.top));
        if (i == 0) {
            durations.moveTo(at);
        } else {
            durations.lineTo(at);
        }
        if (i % label_every == 0) {
            const bk::Date when(point.execution_time);
            painter.setPen(ink);
            painter.drawText(QRectF(centre - date_width / 2.0, plot.bottom() + 4, date_width, line), Qt::AlignCenter,
                             QStringLiteral("%1-%2").arg(when.month(), 2, 10, QChar('0')).arg(when.day(), 2, 10,
                                                                                              QChar('0')));
        }
    }
    painter.setPen(QPen(duration_colour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(durations);
    painter.setBrush(duration_colour);
    for (int i = 0; i < durations.elementCount(); ++i) painter.drawEllipse(QPointF(durations.elementAt(i)), 3, 3);
}

CReportLogView::CReportLogView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("reportView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(QStringLiteral("<b>%1</b>").arg(text_of(app_text::reports_title)), this);
    layout->addWidget(title);
    pages_ = new QStackedWidget(this);
    hint_ = new QLabel(this);
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setObjectName(QStringLiteral("reportHint"));
    pages_->addWidget(hint_);
    auto* split = new QSplitter(Qt::Horizontal, pages_);
    runs_ = new QTreeWidget(split);
    runs_->setObjectName(QStringLiteral("reportRuns"));
    runs_->setRootIsDecorated(false);
    runs_->setHeaderLabels({text_of(app_text::column_run_time), text_of(app_text::column_kind),
                            text_of(app_text::column_result), text_of(app_text::column_files),
                            text_of(app_text::column_stored), text_of(app_text::column_duration)});
    runs_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    chart_ = new RunChart(split);
    split->addWidget(runs_);
    split->addWidget(chart_);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    split->setSizes({560, 340});  // the list's six columns, the chart the rest
    pages_->addWidget(split);
    layout->addWidget(pages_);
    show_job(nullptr);
}

QString CReportLogView::hint() const { return pages_->currentWidget() == hint_ ? hint_->text() : QString(); }

void CReportLogView::show_job(brim::BackupItem* job) {
    runs_->clear();
    if (job == nullptr) {
        chart_->set_points({});
        hint_->setText(text_of(app_text::reports_no_job));
        pages_->setCurrentWidget(hint_);
        return;
    }
    std::vector<brim::BackupItemReport> reports;
    try {
        if (brim::BackupItemReportColl* collection = job->get_reports()) reports = collection->copies();
    } catch (const bk::Exception&) {
        // The report file cannot be read: the log says why; no runs show.
    }
    chart_->set_points(chart_points(reports));
    if (reports.empty()) {
        hint_->setText(text_of(app_text::reports_none));
        pages_->setCurrentWidget(hint_);
        return;
    }
    pages_->setCurrentIndex(1);
    for (auto it = reports.rbegin(); it != reports.rend(); ++it) {
        const brim::BackupItemReport& report = *it;
        auto* row = new QTreeWidgetItem(runs_);
        row->setText(run_time, uictl::to_qstring(bk::Date(report.execution_time).to_string()));
        const brim::BackupKind kind = kind_of(report.type);
        row->setText(run_kind, kind == brim::BackupKind::none ? text_of(app_text::tool_restore)
                                                              : uictl::to_qstring(job::BakTypeToString(kind)));
        const RunTone tone = tone_of(report.result);
        row->setText(run_result, tone_text(tone));
        row->setForeground(run_result, tone_colour(tone));
        row->setText(run_files, QString::number(report.completed_files));
        row->setText(run_stored, uictl::to_qstring(uictl::byte_size_text(static_cast<std::int64_t>(report.completed_size))));
        row->setText(run_duration, uictl::to_qstring(duration_text(run_length(report))));
        for (const int column : {run_files, run_stored, run_duration}) row->setTextAlignment(column, Qt::AlignRight);
    }
}

}  // namespace app
