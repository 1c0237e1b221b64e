#include "core/options/SettingsFileFormat.h"

#include "core/util/IniFile.h"
#include "core/util/SafeFileWriter.h"

#include <QIODevice>
#include <QMap>

namespace SettingsFileFormat {

namespace {
QString Escape(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            escaped += QLatin1String("\\\\");
        else if (c == u'\n')
            escaped += QLatin1String("\\n");
        else if (c == u'\r')
            escaped += QLatin1String("\\r");
        else
            escaped += c;
    }
    return escaped;
}

QString Unescape(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 == text.size()) {
            plain += c;
            continue;
        }
        const QChar next = text.at(++i);
        plain += next == u'n' ? QChar(u'\n') : next == u'r' ? QChar(u'\r') : next;
    }
    return plain;
}

} // namespace

bool Read(QIODevice& device, QSettings::SettingsMap& map)
{
    // Written as UTF-8; a store edited by hand in Latin-1 still reads line by line.
    const QString text = IniFile::Decode(device.readAll());
    QString section;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).toString();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed().toString();
        const QString path = section.isEmpty() ? key : section + u'/' + key;
        map.insert(path, Unescape(line.mid(eq + 1).toString()));
    }
    return true;
}

namespace {
// QSettings calls the write function without any context of its own, so the reason of the last
// failed write is kept here for the caller that reports it.
QString& LastError()
{
    static QString error;
    return error;
}
} // namespace

QString LastWriteError()
{
    return LastError();
}

bool Write(QIODevice& device, const QSettings::SettingsMap& map)
{
    LastError().clear();
    QMap<QString, QStringList> sections;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const qsizetype slash = it.key().lastIndexOf(u'/');
        const QString section = slash < 0 ? QString() : it.key().left(slash);
        const QString key = slash < 0 ? it.key() : it.key().mid(slash + 1);
        sections[section] << key + u'=' + Escape(it.value().toString());
    }
    QString text;
    for (auto it = sections.cbegin(); it != sections.cend(); ++it) {
        if (!it.key().isEmpty())
            text += u'[' + it.key() + QLatin1String("]\n");
        text += it.value().join(u'\n') + u'\n';
    }
    return SafeFileWriter::WriteAll(device, text.toUtf8(), &LastError());
}

QSettings::Format Format()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("ini"), &Read, &Write);
    return format;
}

void SetLocation(const QString& dir)
{
    QSettings::setPath(Format(), QSettings::UserScope, dir);
}

} // namespace SettingsFileFormat
