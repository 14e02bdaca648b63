#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTest>

namespace zentil::test {

// The whole file; empty when it cannot be read.
inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes a file (making its folder) and, when given, sets its modification time.
inline void WriteFile(
    const QString& path, const QByteArray& content, const QDateTime& modified = {})
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(content), content.size());
    file.flush(); // a later flush would set the time to now
    if (modified.isValid())
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

// Runs a program to its end: its exit code, or -1 when it did not end by itself. What it prints,
// standard output and error together, goes to `output`.
inline int RunProgram(const QString& program, const QStringList& args, QString* output = nullptr)
{
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(program, args);
    const bool ended = run.waitForFinished(30000) && run.exitStatus() == QProcess::NormalExit;
    if (output)
        *output = QString::fromLocal8Bit(run.readAll());
    return ended ? run.exitCode() : -1;
}

} // namespace zentil::test
