#include "job/shell_association.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QXmlStreamWriter>

#include "basekit/exception.h"
#include "basekit/path.h"
#include "job/job_strings.h"
#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace job {

const std::array<ArchiveFileType, 3> archive_file_types{{
    {"application/x-brimvault-volume", "*.bvs", text_id::volume_file_type},
    {"application/x-brimvault-catalogue", "*.bvd", text_id::catalogue_file_type},
    {"application/x-brimvault-set", "*.bvf", text_id::set_file_type},
}};

namespace {

using uictl::to_qstring;
using uictl::UiLanguage;

constexpr char default_group[] = "[Default Applications]";
// The locale the Chinese texts are tagged with.
constexpr char chinese_locale[] = "zh_CN";

QString data_home() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString config_home() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString mime_dir() { return data_home() + "/mime"; }
QString package_path() { return mime_dir() + "/packages/" + association_mime_package; }
QString applications_dir() { return data_home() + "/applications"; }
QString desktop_path() { return applications_dir() + '/' + association_desktop_file; }
QString mimeapps_path() { return config_home() + "/mimeapps.list"; }

// The system's configuration folder: the first of $XDG_CONFIG_DIRS.
QString system_mimeapps_path() {
    const QStringList folders = qEnvironmentVariable("XDG_CONFIG_DIRS").split(':', Qt::SkipEmptyParts);
    return folders.value(0, QStringLiteral("/etc/xdg")) + "/mimeapps.list";
}

QString text_of(unsigned id, UiLanguage language) {
    return to_qstring(job_strings().table(language).text(id));
}

QStringList mime_types() {
    QStringList types;
    for (const auto& type : archive_file_types) types << QString::fromLatin1(type.mime_type);
    return types;
}

bool write_file(const QString& path, const QByteArray& bytes) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(bytes);
    return file.commit();
}

QByteArray mime_package() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement("mime-info");
    xml.writeDefaultNamespace("http://www.freedesktop.org/standards/shared-mime-info");
    for (const auto& type : archive_file_types) {
        xml.writeStartElement("mime-type");
        xml.writeAttribute("type", QString::fromLatin1(type.mime_type));
        xml.writeTextElement("comment", text_of(type.description_id, UiLanguage::english));
        xml.writeStartElement("comment");
        xml.writeAttribute("xml:lang", chinese_locale);
        xml.writeCharacters(text_of(type.description_id, UiLanguage::chinese));
        xml.writeEndElement();
        xml.writeEmptyElement("generic-icon");
        xml.writeAttribute("name", "package-x-generic");
        xml.writeEmptyElement("glob");
        xml.writeAttribute("pattern", QString::fromLatin1(type.glob));
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

// A value of a desktop entry: backslash, newline, tab and carriage return
// escaped.
QString desktop_value(const QString& text) {
    QString value;
    for (const QChar c : text) {
        if (c == '\\') value += "\\\\";
        else if (c == '\n') value += "\\n";
        else if (c == '\t') value += "\\t";
        else if (c == '\r') value += "\\r";
        else value += c;
    }
    return value;
}

QByteArray desktop_entry(const QString& program) {
    const QString product = to_qstring(uictl::uictl_strings().table(UiLanguage::english).text(uictl::text_id::product_name));
    QString entry;
    entry += "[Desktop Entry]\n";
    entry += "Type=Application\n";
    entry += "Name=" + desktop_value(product) + '\n';
    entry += "Comment=" + desktop_value(text_of(text_id::open_with_program, UiLanguage::english)) + '\n';
    entry += QString("Comment[%1]=").arg(chinese_locale) +
             desktop_value(text_of(text_id::open_with_program, UiLanguage::chinese)) + '\n';
    entry += "Exec=" + desktop_exec_line(program) + '\n';
    entry += "MimeType=" + mime_types().join(';') + ";\n";
    entry += "NoDisplay=true\n";
    entry += "Terminal=false\n";
    return entry.toUtf8();
}

// Runs a database tool over `folder` when it is installed; a tool that is
// missing or fails leaves the files in place for the next update.
void run_update_tool(const char* tool, const QString& folder) {
    const QString program = QStandardPaths::findExecutable(QString::fromLatin1(tool));
    if (program.isEmpty()) return;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, {folder});
    process.waitForFinished(120000);
}

void update_databases() {
    run_update_tool("update-mime-database", mime_dir());
    run_update_tool("update-desktop-database", applications_dir());
}

enum class DefaultsChange { unchanged, written, failed };

// Sets (or, with an empty `desktop`, removes) our types' default in the
// mimeapps.list at `path`.
DefaultsChange set_defaults(const QString& path, const QString& desktop) {
    QFile file(path);
    QString list;
    if (file.open(QIODevice::ReadOnly)) list = QString::fromUtf8(file.readAll());
    file.close();
    const QString changed = with_default_applications(list, mime_types(), desktop, association_desktop_file);
    if (changed == list) return DefaultsChange::unchanged;
    return write_file(path, changed.toUtf8()) ? DefaultsChange::written : DefaultsChange::failed;
}

}  // namespace

bk::String default_program_path() {
    try {
        return bk::Path::combine(bk::Path::current_module_path(), u"brimvault");
    } catch (const bk::Exception&) {
        return u"brimvault";
    }
}

QString desktop_exec_line(const QString& program) {
    // Inside the quotes ", `, $ and \ are escaped with a backslash; a
    // literal % is doubled so that it is not read as a field code.
    QString quoted = "\"";
    for (const QChar c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return desktop_value(quoted) + " %f";
}

QString with_default_applications(const QString& list, const QStringList& mime_types, const QString& desktop,
                                  const QString& owner) {
    QStringList lines = list.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    QStringList result;
    bool in_group = false;
    bool group_seen = false;
    const auto ours = [&](const QString& line) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0 || !mime_types.contains(line.left(equals).trimmed())) return false;
        if (!desktop.isEmpty()) return true;
        return line.mid(equals + 1).split(';', Qt::SkipEmptyParts).contains(owner);
    };
    const auto add_ours = [&] {
        if (desktop.isEmpty()) return;
        for (const QString& type : mime_types) result << type + '=' + desktop + ';';
    };
    for (const QString& line : lines) {
        if (line.startsWith('[')) {
            in_group = line.trimmed() == QLatin1String(default_group);
            result << line;
            if (in_group && !group_seen) add_ours();
            group_seen = group_seen || in_group;
            continue;
        }
        if (in_group && ours(line)) continue;
        result << line;
    }
    if (!group_seen && !desktop.isEmpty()) {
        if (!result.isEmpty() && !result.back().isEmpty()) result << QString();
        result << QString::fromLatin1(default_group);
        add_ours();
    }
    return result.isEmpty() ? QString() : result.join('\n') + '\n';
}

bool register_shell_association(bk::StringView program) {
    if (!write_file(package_path(), mime_package())) return false;
    if (!write_file(desktop_path(), desktop_entry(to_qstring(program)))) return false;
    if (set_defaults(mimeapps_path(), QString::fromLatin1(association_desktop_file)) == DefaultsChange::failed)
        return false;
    update_databases();
    return true;
}

bool unregister_shell_association() {
    if (!QFile::exists(package_path())) return false;
    const bool removed = QFile::remove(package_path());
    QFile::remove(desktop_path());
    const bool defaults = set_defaults(mimeapps_path(), {}) != DefaultsChange::failed;
    update_databases();
    return removed && defaults;
}

bool register_system_association() {
    return set_defaults(system_mimeapps_path(), QString::fromLatin1(association_desktop_file)) !=
           DefaultsChange::failed;
}

bool unregister_system_association() {
    return set_defaults(system_mimeapps_path(), {}) == DefaultsChange::written;
}

}  // namespace job
