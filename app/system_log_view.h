#pragma once
// The system log page: the log's entries as a list, recovered from the
// safety copy when the log file is damaged, with export, import and clear.
#include <array>
#include <functional>

#include <QString>
#include <QTreeWidget>

#include "core/jobs/log_item.h"

namespace app {

// The texts of an entry's six columns: type, date, time, source, user,
// description.
std::array<QString, 6> log_row_texts(const brim::LogItem& entry);


class CSystemLogView final : public QTreeWidget {
    Q_OBJECT
public:
    explicit CSystemLogView(QWidget* parent = nullptr);

    // Fills the list from the log; a damaged log is reset (the user told
    // with 210) and its safety copy shown instead. `before_warning` runs
    // first (the start-up closes its splash).
    void fill(const std::function<void()>& before_warning = {});
    // Appends the entries written since the last call.
    void append_new_entries();

    // True when the log was written to the chosen file.
    bool export_log(brim::LogFileFormat format);
    void import_log(brim::LogFileFormat format);
    // Asks whether to save the log first (295); clears unless cancelled or
    // the save failed.
    void clear_log();

private:
    void add_row(const brim::LogItem& entry);
};

}  // namespace app
