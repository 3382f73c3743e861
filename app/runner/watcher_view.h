#pragma once
// The task monitor: the rows of the runs with their eight columns, the
// progress of the selected row (bar, rate, time left), its output, and the
// Stop, Pause and Resume commands. It only shows the controller's rows.
#include <cstdint>

#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace app {

class RunnerController;
class WatcherRow;

class WatcherView final : public QWidget {
    Q_OBJECT
public:
    explicit WatcherView(RunnerController& controller, QWidget* parent = nullptr);

    // The job name of the selected row, empty when none.
    QString selected_job() const;
    void select_job(const QString& job_name);
    QSize sizeHint() const override;

public slots:
    // Shows the controller's rows as they are now.
    void refresh();
    // Shows them soon: the events of a run come faster than anyone reads.
    void refresh_soon();

private:
    void show_selected();
    // The row's output, only its new end when it grew.
    void show_output(const WatcherRow* row);
    void update_buttons(const WatcherRow* row);
    // The rate and time left of a row.
    static QString progress_text(const WatcherRow& row);

    RunnerController& controller_;
    QTreeWidget* rows_;
    QProgressBar* progress_;
    QLabel* rate_;
    QPlainTextEdit* output_;
    QPushButton* stop_;
    QPushButton* pause_;
    QPushButton* resume_;
    QTimer refresh_timer_;
    std::uint64_t shown_row_ = 0;  // the serial of the row whose output is shown
    std::size_t shown_length_ = 0;
};

}  // namespace app
