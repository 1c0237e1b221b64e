#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Replaces a file only with complete content. Bytes go through a temporary file beside the target
// without any buffer in between, so a short write (full disk, file size limit) is seen at the
// write that fell short; every write is checked, and only a file written whole is renamed into
// place. On a failure the previous file stays as it was and the system's reason is reported.
class SafeFileWriter
{
public:
    explicit SafeFileWriter(QString path) : m_path(std::move(path)) {}

    // Writes bytes to the path through a temporary file and commits it. Returns false and keeps
    // the previous file on any failure; Error() then says why.
    bool Write(const QByteArray& bytes);
    const QString& Error() const { return m_error; }

    // Writes all of bytes to an already open file device, bypassing its buffer (for writers whose
    // file is opened and committed by someone else, such as QSettings). False on a short write,
    // with the system's reason in *errorText when given.
    static bool WriteAll(QIODevice& device, const QByteArray& bytes, QString* errorText = nullptr);

private:
    QString m_path;
    QString m_error;
};
