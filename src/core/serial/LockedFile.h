#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A file opened for reading and writing under an exclusive lock that other processes honour: an
// open-file-description write lock (fcntl F_OFD_SETLK) over the whole file. Unlike a classic
// POSIX record lock it also excludes a second open in the same process, and like one it is
// forwarded to the server on an NFS share (where the platform's lock manager runs). The lock is
// held until the object closes the file; a crash releases it with the process.
class LockedFile
{
public:
    enum class Result { Opened, Busy, Failed };

    LockedFile() = default;
    ~LockedFile() { Close(); }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    // Opens an existing file and takes the lock without waiting: Busy when another open holds it.
    Result Open(const QString& path);
    // Creates a file that does not exist yet (and takes the lock); false when it exists or cannot
    // be made.
    bool Create(const QString& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // The whole content; false on a read error.
    bool ReadAll(QByteArray* bytes);
    // Writes bytes at offset and flushes them to the device.
    bool WriteAt(qint64 offset, const QByteArray& bytes);
    // Appends bytes at the end of the file and flushes them.
    bool Append(const QByteArray& bytes);

    // The system's reason for the last failure.
    const QString& Error() const { return m_error; }

private:
    bool Lock();
    bool Fail();

    int m_fd = -1;
    QString m_error;
};
