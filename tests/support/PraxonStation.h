#pragma once

#include "BoxSimProcess.h"
#include "TestPaths.h"
#include "core/options/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtGlobal>
#include <grp.h>
#include <memory>
#include <pwd.h>
#include <unistd.h>

// One production workstation for tests that start the real program: its own settings directory
// with sockets A to D switched on, a working directory with the sample HEX file and the control
// file the test gives, and its own praxon-boxsim process. Start() runs `praxon FILE /D16F877A /X`
// without waiting, so the test can let the run end or kill it. RunAsSecondUser() makes it another
// operator's station: its folders belong to user nobody (group nogroup) and the program runs as
// that user, with no other groups.
class PraxonStation
{
public:
    bool Prepare(const QByteArray& controlFile, const QStringList& simOptions)
    {
        m_sim = std::make_unique<BoxSimProcess>(QStringLiteral(PRAXON_BOXSIM), simOptions);
        if (m_sim->Url().isEmpty() || !QDir(m_settings.path()).mkpath(QStringLiteral("Kestrix")))
            return false;
        m_hex = m_work.filePath(QStringLiteral("Station.hex"));
        return WriteBytes(SettingsFile(), "[" + SettingsStore::KeyPath(TestPaths::RuntimeDir()).toUtf8() +
                                              "/SOCKETS]\nA=1\nB=1\nC=1\nD=1\n") &&
               QFile::copy(TestPaths::Samples() + QStringLiteral("BLINK877A.HEX"), m_hex) &&
               WriteBytes(ControlFile(), controlFile);
    }
    // extraArgs follow the usual ones; a non-empty wrapper (a program and its options) starts
    // praxon through it.
    void Start(QProcess& process, const QStringList& extraArgs = {}, const QStringList& wrapper = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("PRAXON_AUTO_ANSWER"), QStringLiteral("1"));
        env.insert(QStringLiteral("PRAXON_SETTINGS_DIR"), m_settings.path());
        env.insert(QStringLiteral("PRAXON_COM1"), m_sim->Url());
        env.remove(QStringLiteral("DISPLAY"));
        if (!m_runAs.isEmpty()) {
            env.insert(QStringLiteral("HOME"), m_settings.path());
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_settings.path());
        }
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_work.path());
        const QStringList arguments = QStringList{m_hex, QStringLiteral("/D16F877A"), QStringLiteral("/X")} + extraArgs;
        if (!wrapper.isEmpty())
            process.start(wrapper.first(), wrapper.mid(1) + QStringList{QStringLiteral(PRAXON_EXECUTABLE)} + arguments);
        else if (m_runAs.isEmpty())
            process.start(QStringLiteral(PRAXON_EXECUTABLE), arguments);
        else
            process.start(QStringLiteral("setpriv"),
                          m_runAs + QStringList{QStringLiteral(PRAXON_EXECUTABLE)} + arguments);
    }
    // Root only (with setpriv and the nogroup group): see the class comment. Links in the folders
    // keep their targets' owners.
    bool RunAsSecondUser()
    {
        const passwd* nobody = getpwnam("nobody");
        const group* nogroup = getgrnam("nogroup");
        if (::geteuid() != 0 || !nobody || !nogroup ||
            QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            return false;
        for (const QString& folder : {m_settings.path(), m_work.path()}) {
            QStringList paths{folder};
            for (QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                                 QDirIterator::Subdirectories);
                 it.hasNext();)
                paths << it.next();
            for (const QString& path : std::as_const(paths))
                if (::lchown(QFile::encodeName(path).constData(), nobody->pw_uid, nogroup->gr_gid) != 0)
                    return false;
        }
        m_runAs = {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                   QStringLiteral("--clear-groups")};
        return true;
    }
    // The settings file, which the program saves as it ends, still holds the operator's sockets
    // (a save cut short must leave the old file or the new one, both of which have them).
    bool SettingsWhole() const
    {
        QSettings saved(SettingsFile(), QSettings::IniFormat);
        const QString key = SettingsStore::KeyPath(TestPaths::RuntimeDir()) + QStringLiteral("/SOCKETS/");
        for (const char* socket : {"A", "B", "C", "D"})
            if (saved.value(key + QLatin1String(socket)).toString() != QLatin1String("1"))
                return false;
        return saved.status() == QSettings::NoError;
    }
    QString SettingsFile() const { return m_settings.filePath(QStringLiteral("Kestrix/PX.ini")); }
    QString ControlFile() const { return m_work.filePath(QStringLiteral("Station.PXC")); }
    QString HexFile() const { return m_hex; }
    QString WorkDir() const { return m_work.path(); }
    BoxSimProcess& Sim() { return *m_sim; }

    static bool WriteBytes(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    static QByteArray ReadBytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_work;
    std::unique_ptr<BoxSimProcess> m_sim;
    QString m_hex;
    QStringList m_runAs; // setpriv's options for a second user; empty: this user
};

// Randomized tests take their seed from PRAXON_TEST_SEED when it is set (to repeat a run), else
// from the clock; the test prints it.
inline quint32 TestSeed()
{
    bool ok = false;
    const quint32 given = qEnvironmentVariable("PRAXON_TEST_SEED").toUInt(&ok);
    return ok ? given : quint32(QDateTime::currentMSecsSinceEpoch());
}

// PRAXON_LONG_TESTS=1 selects the long forms of the multi-station and kill tests.
inline int ShortOrLong(int shortCount, int longCount)
{
    return qEnvironmentVariableIntValue("PRAXON_LONG_TESTS") ? longCount : shortCount;
}

// QtTest stops a test function after five minutes; a long form runs for most of an hour, so it
// lifts that limit to two hours (before main, where QtTest reads it) unless the caller set one.
inline const bool LongFormTimeout = [] {
    if (qEnvironmentVariableIntValue("PRAXON_LONG_TESTS") && !qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "7200000");
    return true;
}();
