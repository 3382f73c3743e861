#pragma once
// The combination rule of a job: every N runs, weekly or monthly the job
// makes a run of another kind that replaces the backed-up data. The form
// holds the rule being edited and checks it; the dialog only shows it.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include <QDialog>

#include "job/backup_kinds.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QStackedWidget;

namespace job {

// The rule's type as the combo box lists it: the rule types, then "never".
enum class RuleChoice : int { fixed_interval = 0, weekly = 1, monthly = 2, never = 3 };

namespace rule_limit {
inline constexpr int min_count = 1;
inline constexpr int max_count = 10000;
inline constexpr int min_weeks = 1;
inline constexpr int max_weeks = 5000;
inline constexpr int min_day = 1;
inline constexpr int max_day = 31;
}  // namespace rule_limit

inline constexpr std::uint16_t sunday_bit = 0x01;

// The kind whose run a rule of a job of `kind` makes: a full copy for the
// copy kinds, a full backup otherwise.
BackupKind CombinedKindOf(BackupKind kind);

class CombineRuleForm final {
public:
    // A fault of the form: the message and its range.
    struct Fault {
        std::uint32_t text_id;
        int min;
        int max;
    };

    // Starts from the job's rule, or "never" without one. The fields of the
    // other types start as a new rule of that type would.
    explicit CombineRuleForm(const BakKindCombineTrigger* rule);

    RuleChoice choice = RuleChoice::never;
    int count = 10;
    int weeks = 1;
    std::uint16_t days = sunday_bit;
    int day = 1;

    // The fault of the field the chosen type uses, if any.
    std::optional<Fault> fault() const;
    // Shows the fault in a warning box; true when there is none.
    bool Check() const;
    // The rule the form describes; null for "never". Meaningful only when
    // there is no fault.
    std::unique_ptr<BakKindCombineTrigger> rule() const;
};

class CCombineRuleDialog final : public QDialog {
    Q_OBJECT
public:
    // Edits the rule of a job of `job_kind`; `rule` may be null.
    CCombineRuleDialog(QWidget* parent, BackupKind job_kind, const BakKindCombineTrigger* rule);

    // The rule accepted with OK (null for "never").
    std::unique_ptr<BakKindCombineTrigger> rule() const { return form_.rule(); }
    const CombineRuleForm& form() const { return form_; }

    void accept() override;

private:
    void show_form();
    void read_form();

    CombineRuleForm form_;
    QComboBox* type_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QLineEdit* count_ = nullptr;
    QLineEdit* weeks_ = nullptr;
    QLineEdit* day_ = nullptr;
    std::array<QCheckBox*, 7> days_{};
};

}  // namespace job
