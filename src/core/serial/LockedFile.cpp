#include "core/serial/LockedFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
#ifdef F_OFD_SETLK
constexpr int LockCommand = F_OFD_SETLK;
#else
constexpr int LockCommand = F_SETLK;
#endif
} // namespace

bool LockedFile::Fail()
{
    m_error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
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
    const bool busy = errno == EAGAIN || errno == EACCES;
    const QString error = m_error;
    Close();
    m_error = error;
    return busy ? Result::Busy : Result::Failed;
}

bool LockedFile::Create(const QString& path)
{
    Close();
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0)
        return Fail();
    if (Lock())
        return true;
    const QString error = m_error;
    Close();
    m_error = error;
    return false;
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
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return Fail();
        }
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
    return WriteAt(qint64(end), bytes);
}
