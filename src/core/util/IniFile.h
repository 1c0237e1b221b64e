#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

// A classic profile (INI) file: sections in brackets, "key=value" lines.
//
// Semantics, as the device tables, templates and control files expect them:
//  - section and key names compare case-insensitively; the first matching section and, inside
//    it, the first matching key win;
//  - names and values are trimmed of surrounding blanks; a missing key reads as the default;
//  - lines starting with ';' or '#' are comments: kept on writing, invisible to reads;
//  - lines outside any section and lines without '=' are kept as they are and ignored by key
//    reads (a line without '=' still appears in ReadSectionLines, as the classic API does);
//  - writing a key replaces its value in place, or appends it at the end of its section, or
//    appends a new section at the end of the file; everything else keeps its place and text.
//
// The file is read once when the object is made and written only by Save(), which replaces the
// file atomically so that a failed write never leaves a half file behind. Text is written as
// UTF-8, so that any path or name stored comes back exactly; on reading, each line that is valid
// UTF-8 is taken as UTF-8 and any other line as Latin-1, the encoding of the support files and of
// the files earlier versions wrote (a Latin-1 line of letters above 0x7F is almost never valid
// UTF-8). Leading UTF-8 byte-order marks are skipped.
class IniFile
{
public:
    IniFile() = default;
    explicit IniFile(const QString& path);

    bool Load(const QString& path);
    bool Exists() const { return m_exists; }
    const QString& Path() const { return m_path; }

    bool SectionExists(const QString& section) const;
    bool KeyExists(const QString& section, const QString& key) const;
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Decimal with optional sign, or hexadecimal with "$" or "0x"; anything else gives the default.
    qint64 ReadInteger(const QString& section, const QString& key, qint64 defaultValue) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    // Key names of the section, in file order (one per key line).
    QStringList ReadSection(const QString& section) const;
    // The section's non-comment lines in file order, as "key=value" (trimmed) or the bare text.
    QStringList ReadSectionLines(const QString& section) const;
    // The line numbers in the file (from 1) of the lines ReadSectionLines gives, in the same order.
    QList<int> SectionLineNumbers(const QString& section) const;
    QStringList SectionNames() const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, qint64 value);
    void WriteBool(const QString& section, const QString& key, bool value);
    void DeleteKey(const QString& section, const QString& key);
    void EraseSection(const QString& section);

    // Writes the text to Path() (or path) through a temporary file; on failure the old file stays
    // and *errorText (if given) receives the system's reason.
    bool Save(QString* errorText = nullptr) const;
    bool SaveAs(const QString& path, QString* errorText = nullptr) const;
    QByteArray ToBytes() const;

    // Replaces the content with text (for tests and for files built in memory).
    void SetText(const QString& text);
    // The text of a file's bytes, decoded line by line as Load does (line breaks kept).
    static QString Decode(const QByteArray& bytes);

private:
    struct Line {
        QString text;    // the line as read or written, without line break
        QString key;     // trimmed key for key lines, empty otherwise
        QString section; // for section headers: the trimmed name; empty otherwise
        bool isHeader = false;
        bool isKey = false;
        bool isComment = false;
    };
    static Line ParseLine(const QString& text);
    // Index of the header line of the first section named section, or -1.
    qsizetype FindSection(const QString& section) const;
    // One past the last line of the section whose header is at header.
    qsizetype SectionEnd(qsizetype header) const;
    qsizetype FindKey(qsizetype header, const QString& key) const;

    // Where the first section of each name (case ignored) and, under each header, the first key of
    // each name are: built on the first lookup after a change, so reading a file key by key stays
    // linear in its size. Every change to m_lines drops it.
    struct Index {
        QHash<QString, qsizetype> sections;
        QHash<std::pair<qsizetype, QString>, qsizetype> keys;
    };
    const Index& Lookup() const;
    void Changed() { m_index.reset(); }

    QString m_path;
    bool m_exists = false;
    std::vector<Line> m_lines;
    mutable std::optional<Index> m_index;
};
