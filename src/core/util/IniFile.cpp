#include "core/util/IniFile.h"

#include "core/util/SafeFileWriter.h"

#include <QFile>

IniFile::IniFile(const QString& path)
{
    Load(path);
}

bool IniFile::Load(const QString& path)
{
    m_path = path;
    m_lines.clear();
    Changed();
    QFile file(path);
    m_exists = file.open(QIODevice::ReadOnly);
    if (!m_exists)
        return false;
    SetText(Decode(file.readAll()));
    return true;
}

QString IniFile::Decode(const QByteArray& bytes)
{
    QByteArrayView rest(bytes);
    // Byte-order marks (an editor may add one to a file that has one) are no part of the text.
    while (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    QString text;
    text.reserve(rest.size());
    while (!rest.isEmpty()) {
        // Line breaks are ASCII, never part of a multi-byte UTF-8 sequence, so the bytes can be
        // cut into lines before they are decoded.
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != '\n' && rest[end] != '\r')
            ++end;
        const QByteArrayView line = rest.first(end);
        text += line.isValidUtf8() ? QString::fromUtf8(line) : QString::fromLatin1(line);
        qsizetype next = end;
        while (next < rest.size() && (rest[next] == '\n' || rest[next] == '\r'))
            ++next;
        text += QString::fromLatin1(rest.sliced(end, next - end));
        rest = rest.sliced(next);
    }
    return text;
}

void IniFile::SetText(const QString& text)
{
    m_lines.clear();
    Changed();
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(u'\r', u'\n');
    QStringList parts = normalised.split(u'\n');
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    m_lines.reserve(parts.size());
    for (const QString& part : parts)
        m_lines.push_back(ParseLine(part));
}

IniFile::Line IniFile::ParseLine(const QString& text)
{
    Line line;
    line.text = text;
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(u';') || trimmed.startsWith(u'#')) {
        line.isComment = true;
    } else if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        line.isHeader = true;
        line.section = (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
    } else {
        const qsizetype eq = trimmed.indexOf(u'=');
        if (eq > 0) {
            line.isKey = true;
            line.key = trimmed.left(eq).trimmed();
        }
    }
    return line;
}

namespace {
// A name's key in the index: two names get the same key exactly when QString::compare(...,
// Qt::CaseInsensitive) finds them equal, since each code unit is case-folded and a folded ASCII
// letter then taken to its capital (folding never yields a capital, so no two folded units meet).
// Capitals, digits and punctuation are their own key, so the upper-case names of the program's
// files are used as they are, without a copy.
char16_t KeyUnit(char16_t c)
{
    const char16_t folded = c < 0x80 ? c : char16_t(QChar::toCaseFolded(c));
    return folded >= u'a' && folded <= u'z' ? char16_t(folded - 0x20) : folded;
}

QString NameKey(const QString& name)
{
    const char16_t* units = reinterpret_cast<const char16_t*>(name.constData());
    qsizetype i = 0;
    while (i < name.size() && KeyUnit(units[i]) == units[i])
        ++i;
    if (i == name.size())
        return name;
    QString key = name;
    char16_t* out = reinterpret_cast<char16_t*>(key.data());
    for (; i < key.size(); ++i)
        out[i] = KeyUnit(out[i]);
    return key;
}
} // namespace

const IniFile::Index& IniFile::Lookup() const
{
    if (m_index)
        return *m_index;
    Index& index = m_index.emplace();
    qsizetype header = -1;
    for (qsizetype i = 0; i < qsizetype(m_lines.size()); ++i) {
        const Line& line = m_lines[i];
        if (line.isHeader) {
            header = i;
            const QString name = NameKey(line.section);
            if (!index.sections.contains(name))
                index.sections.insert(name, i);
        } else if (line.isKey && header >= 0) {
            const std::pair<qsizetype, QString> name(header, NameKey(line.key));
            if (!index.keys.contains(name))
                index.keys.insert(name, i);
        }
    }
    return index;
}

qsizetype IniFile::FindSection(const QString& section) const
{
    return Lookup().sections.value(NameKey(section.trimmed()), -1);
}

qsizetype IniFile::SectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < qsizetype(m_lines.size()) && !m_lines[i].isHeader)
        ++i;
    return i;
}

qsizetype IniFile::FindKey(qsizetype header, const QString& key) const
{
    if (header < 0)
        return -1;
    return Lookup().keys.value(std::pair(header, NameKey(key.trimmed())), -1);
}

bool IniFile::SectionExists(const QString& section) const
{
    return FindSection(section) >= 0;
}

bool IniFile::KeyExists(const QString& section, const QString& key) const
{
    return FindKey(FindSection(section), key) >= 0;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const qsizetype at = FindKey(FindSection(section), key);
    if (at < 0)
        return defaultValue;
    const QString& text = m_lines[at].text;
    return text.mid(text.indexOf(u'=') + 1).trimmed();
}

qint64 IniFile::ReadInteger(const QString& section, const QString& key, qint64 defaultValue) const
{
    const QString text = ReadString(section, key, QString());
    if (text.isEmpty())
        return defaultValue;
    bool ok = false;
    qint64 value = 0;
    if (text.startsWith(u'$'))
        value = text.mid(1).toLongLong(&ok, 16);
    else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toLongLong(&ok, 16);
    else
        value = text.toLongLong(&ok, 10);
    return ok ? value : defaultValue;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QStringList IniFile::ReadSection(const QString& section) const
{
    QStringList keys;
    const qsizetype header = FindSection(section);
    if (header < 0)
        return keys;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].isKey)
            keys << m_lines[i].key;
    }
    return keys;
}

QStringList IniFile::ReadSectionLines(const QString& section) const
{
    QStringList lines;
    const qsizetype header = FindSection(section);
    if (header < 0)
        return lines;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line& line = m_lines[i];
        if (line.isComment)
            continue;
        if (line.isKey) {
            const QString& text = line.text;
            lines << line.key + u'=' + text.mid(text.indexOf(u'=') + 1).trimmed();
        } else if (!line.text.trimmed().isEmpty()) {
            lines << line.text.trimmed();
        }
    }
    return lines;
}

QList<int> IniFile::SectionLineNumbers(const QString& section) const
{
    QList<int> numbers;
    const qsizetype header = FindSection(section);
    if (header < 0)
        return numbers;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line& line = m_lines[i];
        if (!line.isComment && (line.isKey || !line.text.trimmed().isEmpty()))
            numbers << int(i + 1);
    }
    return numbers;
}

QStringList IniFile::SectionNames() const
{
    QStringList names;
    for (const Line& line : m_lines) {
        if (line.isHeader)
            names << line.section;
    }
    return names;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    const QString text = key.trimmed() + u'=' + value;
    const qsizetype header = FindSection(section);
    const qsizetype at = FindKey(header, key);
    Changed();
    if (header < 0) {
        m_lines.push_back(ParseLine(u'[' + section.trimmed() + u']'));
        m_lines.push_back(ParseLine(text));
        return;
    }
    if (at >= 0) {
        m_lines[at] = ParseLine(text);
        return;
    }
    // Append after the section's last non-blank line, so a blank separator line stays last.
    qsizetype insertAt = SectionEnd(header);
    while (insertAt > header + 1 && m_lines[insertAt - 1].text.trimmed().isEmpty())
        --insertAt;
    m_lines.insert(m_lines.begin() + insertAt, ParseLine(text));
}

void IniFile::WriteInteger(const QString& section, const QString& key, qint64 value)
{
    WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::DeleteKey(const QString& section, const QString& key)
{
    const qsizetype at = FindKey(FindSection(section), key);
    Changed();
    if (at >= 0)
        m_lines.erase(m_lines.begin() + at);
}

void IniFile::EraseSection(const QString& section)
{
    // Every section of that name goes, as the classic API erases them all, in one pass: a file
    // that repeats a header many times costs no more than one that has it once.
    const QString name = NameKey(section.trimmed());
    bool erasing = false;
    std::erase_if(m_lines, [&](const Line& line) {
        if (line.isHeader)
            erasing = NameKey(line.section) == name;
        return erasing;
    });
    Changed();
}

QByteArray IniFile::ToBytes() const
{
    QByteArray bytes;
    for (const Line& line : m_lines) {
        bytes += line.text.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

bool IniFile::Save(QString* errorText) const
{
    return SaveAs(m_path, errorText);
}

bool IniFile::SaveAs(const QString& path, QString* errorText) const
{
    SafeFileWriter writer(path);
    if (writer.Write(ToBytes()))
        return true;
    if (errorText)
        *errorText = writer.Error();
    return false;
}
