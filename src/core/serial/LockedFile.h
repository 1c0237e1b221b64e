#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A file opened for reading and writing under an exclusive lock that other processes honour: an
// open-file-description write lock (fcntl F_OFD_SETLK) over the whole file. Unlike a classic
// POSIX record lock it also excludes a second open in the same process, and like one it is
// forwarded to the server on an NFS share (where the platform's lock manager runs). The lock is
// held until the object closes the file; a crash releases it with the process. Opening follows
// symbolic links, so the lock is always on the file itself, whatever name reached it.
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
    // be made. When like names an existing file, the new one takes its group and its read and
    // write permissions, so that everyone who may write that file may also open this one. The
    // file appears under its name already holding content and with its final permissions (it is
    // made under a temporary name and linked into place where the file system allows).
    bool Create(const QString& path, const QString& like = QString(), const QByteArray& content = QByteArray());
    // Opens path, creating it like Create() when it does not exist yet: Opened, Busy while another
    // open holds the lock, Failed (with the reason in Error()) when it can be neither opened nor
    // made.
    Result OpenOrCreate(const QString& path, const QString& like = QString());
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // The whole content; false on a read error.
    bool ReadAll(QByteArray* bytes);
    // Writes bytes at offset and flushes them to the device.
    bool WriteAt(qint64 offset, const QByteArray& bytes);
    // Appends bytes at the end of the file in one write and flushes them. A write that falls short
    // (a full disk) or cannot be flushed cuts the file back to its previous end, so the file holds
    // all of the bytes or none of them.
    bool Append(const QByteArray& bytes);

    // The file's path with every symbolic link resolved (the path itself when it does not exist):
    // the one name under which stations reaching a file through different links meet.
    static QString CanonicalPath(const QString& path);

    // The system's reason for the last failure.
    const QString& Error() const { return m_error; }

private:
    bool Lock();
    bool Fail();
    bool Fail(int error);
    // Gives the open file its group (when the user may) and its permissions.
    bool Adopt(int mode, int group);
    // Create() by a temporary file linked into place; *unsupported when the file system cannot
    // link.
    bool CreateLinked(const QString& path, int mode, int group, const QByteArray& content, bool* unsupported);

    int m_fd = -1;
    int m_code = 0; // errno of the last failure
    QString m_error;
};
