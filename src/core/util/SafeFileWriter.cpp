#include "core/util/SafeFileWriter.h"

#include <QFileDevice>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
QString SystemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

bool SafeFileWriter::WriteAll(QIODevice& device, const QByteArray& bytes, QString* errorText)
{
    auto* file = qobject_cast<QFileDevice*>(&device);
    const int fd = file ? file->handle() : -1;
    if (fd < 0) {
        if (device.write(bytes) == bytes.size())
            return true;
        if (errorText)
            *errorText = device.errorString();
        return false;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that makes no progress without an error code is a full device.
            if (errorText)
                *errorText = SystemReason(n < 0 ? errno : ENOSPC);
            return false;
        }
        done += n;
    }
    return true;
}

bool SafeFileWriter::Write(const QByteArray& bytes)
{
    m_error.clear();
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_error = file.errorString();
        return false;
    }
    if (!WriteAll(file, bytes, &m_error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_error = file.errorString();
        return false;
    }
    return true;
}
