#pragma once
// The report view under the job list: the runs of the chosen job, newest
// first, beside a chart of what each backup run stored and how long it took,
// coloured by how it ended. It reads copies of the job's reports, so runs
// going on meanwhile do not disturb it.
#include <vector>

#include <QWidget>

#include "app/report_runs.h"

class QLabel;
class QStackedWidget;
class QTreeWidget;

namespace brim {
class BackupItem;
}

namespace app {

// The chart alone: bars of stored size on the left axis, a line of the
// durations on the right one.
class RunChart final : public QWidget {
    Q_OBJECT
public:
    explicit RunChart(QWidget* parent = nullptr);
    void set_points(std::vector<RunPoint> points);
    const std::vector<RunPoint>& points() const { return points_; }
    QSize sizeHint() const override { return {420, 220}; }
    QSize minimumSizeHint() const override { return {260, 160}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<RunPoint> points_;
};

class CReportLogView final : public QWidget {
    Q_OBJECT
public:
    explicit CReportLogView(QWidget* parent = nullptr);

    // Shows the job's runs; null shows the hint to choose a job. A report
    // file that cannot be read shows as no runs.
    void show_job(brim::BackupItem* job);

    QTreeWidget& runs() const { return *runs_; }
    RunChart& chart() const { return *chart_; }
    // The hint shown instead of the runs, empty when the runs show.
    QString hint() const;

private:
    QStackedWidget* pages_ = nullptr;
    QLabel* hint_ = nullptr;
    QTreeWidget* runs_ = nullptr;
    RunChart* chart_ = nullptr;
};

// The colour of a tone in the chart and the list.
QColor tone_colour(RunTone tone);

}  // namespace app
