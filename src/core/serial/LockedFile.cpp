#include "core/serial/LockedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
#ifdef F_OFD_SETLK
constexpr int LockCommand = F_OFD_SETLK;
#else
constexpr int LockCommand = F_SETLK;
#endif

QString Reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

bool LockedFile::Fail(int error)
{
    m_code = error;
    m_error = Reason(error);
    return false;
}

bool LockedFile::Fail()
{
    return Fail(errno);
}

bool LockedFile::Lock()
{
    struct flock lock {
    };
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0; // the whole file, however it grows
    while (::fcntl(m_fd, LockCommand, &lock) != 0) {
        if (errno != EINTR)
            return Fail();
    }
    return true;
}

QString LockedFile::CanonicalPath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // Not there yet: the folder it would be made in, resolved, and its name.
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? path : QDir(folder).filePath(info.fileName());
}

LockedFile::Result LockedFile::Open(const QString& path)
{
    Close();
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0) {
        Fail();
        return Result::Failed;
    }
    if (Lock())
        return Result::Opened;
    const bool busy = m_code == EAGAIN || m_code == EACCES;
    Close();
    return busy ? Result::Busy : Result::Failed;
}

bool LockedFile::Adopt(int mode, int group)
{
    // A group the user is not a member of cannot be given: the file keeps the user's own then.
    if (group >= 0 && ::fchown(m_fd, uid_t(-1), gid_t(group)) != 0 && errno != EPERM)
        return Fail();
    if (::fchmod(m_fd, mode_t(mode)) != 0)
        return Fail();
    return true;
}

bool LockedFile::CreateLinked(const QString& path, int mode, int group, const QByteArray& content, bool* unsupported)
{
    *unsupported = false;
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    m_fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (m_fd < 0)
        return Fail();
    bool made = Lock() && Adopt(mode, group) && (content.isEmpty() || WriteAt(0, content));
    // link() fails with EEXIST when the name is taken, like an exclusive create.
    if (made && ::link(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        *unsupported = errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS;
        made = Fail();
    }
    ::unlink(temporary.constData());
    if (made)
        return true;
    const int code = m_code;
    Close();
    return Fail(code);
}

bool LockedFile::Create(const QString& path, const QString& like, const QByteArray& content)
{
    Close();
    struct stat model {
    };
    const bool modelled = !like.isEmpty() && ::stat(QFile::encodeName(like).constData(), &model) == 0;
    const int mode = modelled ? int(model.st_mode & 0666) : 0666;
    const int group = modelled ? int(model.st_gid) : -1;
    bool unsupported = !modelled;
    if (modelled && CreateLinked(path, mode, group, content, &unsupported))
        return true;
    if (!unsupported)
        return false;
    // Without a model the system's usual permissions apply (the creation mask); on a file system
    // without links the file is made in place and then given its permissions and content.
    const QByteArray name = QFile::encodeName(path);
    m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(mode));
    if (m_fd < 0)
        return Fail();
    if (Lock() && (!modelled || Adopt(mode, group)) && (content.isEmpty() || WriteAt(0, content)))
        return true;
    const int code = m_code;
    ::unlink(name.constData());
    Close();
    return Fail(code);
}

LockedFile::Result LockedFile::OpenOrCreate(const QString& path, const QString& like)
{
    // Another process may make or remove the file between the two steps: a few rounds settle it.
    for (int round = 0; round < 3; ++round) {
        const Result opened = Open(path);
        if (opened != Result::Failed || m_code != ENOENT)
            return opened;
        if (Create(path, like))
            return Result::Opened;
        if (m_code != EEXIST)
            return Result::Failed;
    }
    return Result::Failed;
}

void LockedFile::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool LockedFile::ReadAll(QByteArray* bytes)
{
    bytes->clear();
    if (::lseek(m_fd, 0, SEEK_SET) < 0)
        return Fail();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail();
        if (n == 0)
            return true;
        bytes->append(buffer, qsizetype(n));
    }
}

bool LockedFile::WriteAt(qint64 offset, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(m_fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(n == 0 ? ENOSPC : errno);
        done += n;
    }
    if (::fdatasync(m_fd) != 0)
        return Fail();
    return true;
}

bool LockedFile::Append(const QByteArray& bytes)
{
    const off_t end = ::lseek(m_fd, 0, SEEK_END);
    if (end < 0)
        return Fail();
    ssize_t n = 0;
    do {
        n = ::pwrite(m_fd, bytes.constData(), size_t(bytes.size()), end);
    } while (n < 0 && errno == EINTR);
    int error = 0;
    if (n < 0)
        error = errno;
    else if (n < bytes.size())
        error = ENOSPC; // a write that stops part way is a full device (or a file size limit)
    else if (::fdatasync(m_fd) != 0)
        error = errno;
    if (error == 0)
        return true;
    Fail(error);
    // Part of the bytes may have reached the file: a torn piece the next append would run into.
    if (n > 0 && (::ftruncate(m_fd, end) != 0 || ::fdatasync(m_fd) != 0)) {
        m_error += QStringLiteral("; the file could not be cut back to its previous length: ") + Reason(errno);
    }
    return false;
}
