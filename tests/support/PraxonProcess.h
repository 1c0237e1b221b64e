#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the praxon executable the way an unattended production script does: headless on the
// offscreen platform, every box answered with its default, with the given extra environment
// (settings directory, port targets, application directory) and working directory.
struct PraxonRun {
    int status = -1; // exit status; -1 timed out, -2 crashed
    QString out;
    QString err;
};

// Waits for a started praxon process and collects its status and output; kills it after timeoutMs.
inline PraxonRun FinishPraxon(QProcess& process, int timeoutMs)
{
    PraxonRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

inline PraxonRun RunPraxonHeadless(const QString& executable, const QStringList& args,
                                   const QMap<QString, QString>& environment = {},
                                   const QString& workingDirectory = QString())
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("PRAXON_AUTO_ANSWER"), QStringLiteral("1"));
    env.remove(QStringLiteral("DISPLAY"));
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(executable, args);
    return FinishPraxon(process, 60000);
}
