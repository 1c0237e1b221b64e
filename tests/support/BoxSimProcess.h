#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// A praxon-boxsim process listening on a free loopback port; ended when the object goes.
class BoxSimProcess
{
public:
    BoxSimProcess(const QString& executable, const QStringList& options)
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(executable, QStringList{"--listen", "127.0.0.1:0"} + options);
        const QRegularExpression listening(QStringLiteral("rfc2217://127\\.0\\.0\\.1:\\d+"));
        QByteArray out;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000 && m_url.isEmpty()) {
            m_process.waitForReadyRead(200);
            out += m_process.readAllStandardOutput();
            const QRegularExpressionMatch match = listening.match(QString::fromLocal8Bit(out));
            if (match.hasMatch())
                m_url = match.captured(0);
            if (m_process.state() == QProcess::NotRunning)
                break;
        }
    }
    ~BoxSimProcess() { Stop(); }
    // Ends the simulator (which writes its memory dumps on the way out).
    void Stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("quit\n");
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000)) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000)) {
                m_process.kill();
                m_process.waitForFinished();
            }
        }
        m_errors += QString::fromLocal8Bit(m_process.readAllStandardError());
    }
    // Waits until the simulator's standard error (its --verbose report) holds text.
    bool WaitForReport(const QString& text, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (!m_errors.contains(text) && clock.elapsed() < ms && m_process.state() != QProcess::NotRunning) {
            m_process.waitForReadyRead(50);
            m_errors += QString::fromLocal8Bit(m_process.readAllStandardError());
        }
        return m_errors.contains(text);
    }
    // What the simulator wrote on standard error since the last call, read until it has been quiet
    // for quietMs (lines it writes as a client goes come a moment after the client ended).
    QString TakeReport(int quietMs)
    {
        m_process.setReadChannel(QProcess::StandardError);
        QElapsedTimer quiet;
        quiet.start();
        while (quiet.elapsed() < quietMs && m_process.state() != QProcess::NotRunning) {
            if (m_process.waitForReadyRead(quietMs)) {
                m_errors += QString::fromLocal8Bit(m_process.readAllStandardError());
                quiet.restart();
            }
        }
        m_errors += QString::fromLocal8Bit(m_process.readAllStandardError());
        m_process.setReadChannel(QProcess::StandardOutput);
        const QString report = m_errors.mid(m_taken);
        m_taken = m_errors.size();
        return report;
    }
    // Ends the simulator at once, as a port that disappears (no dumps).
    void Kill()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    const QString& Url() const { return m_url; }
    // What the simulator wrote on standard error (its --verbose report), once stopped.
    const QString& Errors() const { return m_errors; }

private:
    QProcess m_process;
    QString m_url;
    QString m_errors;
    qsizetype m_taken = 0;
};

// The numbers the simulator's watch lines ("watch A 0x0200: 3401 3400") show on chips: words that
// are both RETLW, number high byte first. A blank or half-written pair is no number.
inline QStringList ChipNumbers(const QString& report)
{
    static const QRegularExpression watch(QStringLiteral("^watch [A-D] 0x0200: 34([0-9a-f]{2}) 34([0-9a-f]{2})$"),
                                          QRegularExpression::MultilineOption);
    QStringList numbers;
    for (auto it = watch.globalMatch(report); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        numbers << (m.captured(2) + m.captured(1)).toUpper();
    }
    return numbers;
}
