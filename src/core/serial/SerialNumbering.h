#pragma once

#include "core/serial/SerialNumberState.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class AppContext;
class LockedFile;
class ProgrammerLink;
class SocketPanel;
class TaskEngine;
struct EngineState;
struct SerialNumberSettings;

// Serial numbering: gives every part serialized in a cycle its own number and has the engine write
// it into the part. Numbers come from the automatic counter (last_hex of the control file, also
// kept in the settings store), from the numbers typed per socket, or from an SQTP file whose
// records are consumed in place under a file lock. SQTP numbers are logged to the ".PXL" log.
//
// A number is never issued twice: a counter that would wrap or a number that no longer fits the
// length issues nothing, and a number whose counter could not be stored is not programmed; in
// both cases the socket fails with a message and the run's exit word says so.
class SerialNumbering : public QObject
{
    Q_OBJECT
public:
    SerialNumbering(AppContext& ctx, ProgrammerLink& link, EngineState& state, TaskEngine& tasks, SocketPanel& sockets,
                    QObject* parent = nullptr);

    const SerialNumberState& State() const { return m_state; }
    SerialNumberState& State() { return m_state; }

    // Clamps the shown numbers to the length's largest number and re-renders every field.
    void RefreshNumbers();
    // The serialize step of task row for socket 0..3, run by the task engine.
    void SerializeSocket(int row, int socket);
    // Before a cycle that serializes: in SQTP mode takes one number per selected socket. False
    // when the cycle must not run (the SQTP settings are unusable or a number could not be taken).
    bool PrepareCycle();
    // Validates the SQTP file and reads its header (take false) or consumes one record per
    // selected socket (take true). Returns success.
    bool CheckAndTakeNumbers(bool take);
    // Writes one log line per SQTP number taken and not yet logged.
    void AppendCycleToLog();
    // The options dialog's "Select File": chooses the SQTP file (the log goes beside it) and runs the
    // option refresh, which validates it.
    void SelectSqtpFile();
    // Saves the top-row number text as the last number used (the editor's reset).
    bool ResetCounter(const QString& hexText);

    // Lines not yet written to the log because it could not be opened (written by the next append).
    const QStringList& PendingLogLines() const { return m_pendingLines; }

signals:
    void Changed();

private:
    SerialNumberSettings& Settings();
    bool SqtpReady() const;
    bool AssignNumber(int socket, bool sqtpReady);
    // Writes last_hex into the settings store and the control file; false (after the box) when
    // either could not be written.
    bool StoreLastUsed(int socket);
    // Holds the lock file beside the control file while its counter is read, advanced and
    // stored, so stations sharing the control file never take the same number.
    bool LockCounter(LockedFile& lock, int socket);
    void RefuseSocket(int socket, const QString& why);
    void ShowStatus(int socket, const QString& text);
    bool RunBlocks(int row, int socket);
    // The retry box of the SQTP and log files: true to try again.
    bool AskRetry(const QString& text);
    // Opens path under its lock, with the pause and the retry question between failures.
    bool OpenLocked(LockedFile& file, const QString& path, const QString& busyQuestion);
    bool EnsureLogExists();
    // Writes the pending log lines under the log's lock; false when some could not be written.
    bool WritePendingLines();
    void ReportUnlogged();
    void Warn(const QString& text);
    QString ProgrammerSerial() const;

    AppContext& m_ctx;
    ProgrammerLink& m_link;
    EngineState& m_engine;
    TaskEngine& m_tasks;
    SocketPanel& m_sockets;
    SerialNumberState m_state;
    QStringList m_pendingLines;
    bool m_refusalShown = false;
};
