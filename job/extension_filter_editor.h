#pragma once
// The extension filter of a job: whether it is used, whether the listed
// extensions are left out or are the only ones taken, and the list itself
// with the descriptions the user's options keep for them. The wizard's
// filter page and the option sheets' pages share the editor; each passes
// its own texts.
#include <cstdint>
#include <vector>

#include <QString>
#include <QWidget>

#include "basekit/types.h"
#include "job/system_option.h"

class QCheckBox;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace brim {
class BackupItem;
}

namespace job {

// What the editor shows, as a plain value.
struct ExtensionFilter {
    bool used = false;
    bool exclude = true;  // false: only the listed extensions are taken
    std::vector<StringPair> entries;  // extension, description; no two alike

    // The filter of a job: used when it has bit 0x4 or 0x8, "exclude" unless
    // only 0x8 is set, its extensions with the descriptions `known` gives
    // them (empty for an extension it does not know).
    static ExtensionFilter of_job(const brim::BackupItem& job, const std::vector<StringPair>& known);

    // Adds an extension (normalized, see NormalizeExtension) or replaces the
    // description of one already listed. False, with nothing changed, when
    // the extension is not valid.
    bool add(bk::StringView extension, bk::StringView description);
    std::vector<bk::String> extensions() const;
    // Into the job: a used filter with at least one extension sets bit 0x4
    // (exclude) or 0x8 (include) and replaces the job's list; otherwise
    // both bits are cleared and the job's list is emptied, since a filter
    // with nothing in it would leave out nothing or take nothing.
    void store_in(brim::BackupItem& job) const;
    // Records every listed extension with its description in the user's
    // options and sorts their list when anything was added.
    void record_in(CSystemOption& options) const;
};

// An extension as the filter compares it: without surrounding blanks, a
// leading "*" dropped and a leading "." added ("*.TXT" -> ".TXT", "doc" ->
// ".doc"). Empty when nothing is left, or when the text holds a path
// separator, a wildcard or a control character, or a "." after its first
// character (a file's extension is what follows its last dot).
bk::String NormalizeExtension(bk::StringView text);

// The texts of the editor's controls; the wizard's and the sheet's differ.
struct FilterTexts {
    QString use_filter;
    QString exclude;
    QString include;
    QString add;
    QString remove;
    QString remove_all;

    static FilterTexts for_sheet();
    static FilterTexts for_wizard();
};

class ExtensionFilterEditor final : public QWidget {
    Q_OBJECT
public:
    explicit ExtensionFilterEditor(const FilterTexts& texts, QWidget* parent = nullptr);

    // Shows the job's filter, descriptions from the user's options.
    void LoadJob(const brim::BackupItem& job, const CSystemOption& options);
    // Shows the extensions the user's options know, with the filter off.
    void LoadSystemExtensions(const CSystemOption& options);
    void SetFilter(const ExtensionFilter& filter);
    ExtensionFilter Filter() const;

    // Writes the filter into the job (ExtensionFilter::store_in) and records
    // the extensions in the user's options (record_in).
    void StoreJob(brim::BackupItem& job, CSystemOption& options) const;

    // Enables or disables the whole editor's input.
    void SetEditable(bool editable);

    // The add button's dialog, replaceable for tests: returns false when
    // the user cancelled, else the typed extension and description.
    using AskExtension = bool (*)(QWidget* parent, bk::String& extension, bk::String& description);
    void SetAskExtension(AskExtension ask) { ask_ = ask; }

signals:
    void changed();

private:
    void add_clicked();
    void remove_clicked();
    void remove_all_clicked();
    void show_entries(const std::vector<StringPair>& entries);
    std::vector<StringPair> entries() const;
    void update_enabled();

    QCheckBox* use_ = nullptr;
    QRadioButton* exclude_ = nullptr;
    QRadioButton* include_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* remove_all_ = nullptr;
    AskExtension ask_;
    bool editable_ = true;
};

// The add button's own dialog: an extension and its description; a text
// that is no extension is refused with a warning and the dialog stays.
bool AskExtensionDialog(QWidget* parent, bk::String& extension, bk::String& description);

}  // namespace job
