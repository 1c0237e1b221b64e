#pragma once

#include "BoxSimProcess.h"
#include "TestPaths.h"
#include "core/options/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtGlobal>
#include <memory>

// One production workstation for tests that start the real program: its own settings directory
// with sockets A to D switched on, a working directory with the sample HEX file and the control
// file the test gives, and its own praxon-boxsim process. Start() runs `praxon FILE /D16F877A /X`
// without waiting, so the test can let the run end or kill it.
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
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_work.path());
        const QStringList args = QStringList{m_hex, QStringLiteral("/D16F877A"), QStringLiteral("/X")} + extraArgs;
        if (wrapper.isEmpty())
            process.start(QStringLiteral(PRAXON_EXECUTABLE), args);
        else
            process.start(wrapper.first(), wrapper.mid(1) + QStringList{QStringLiteral(PRAXON_EXECUTABLE)} + args);
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
