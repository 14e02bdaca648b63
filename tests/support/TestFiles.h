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

// Runs a program of this build (zentil, zentil-tool) to its end: its exit code, or -1 when it did
// not end by itself. What it prints, standard output and error together, goes to `output`.
inline int RunBuiltProgram(const QString& name, const QStringList& args, QString* output = nullptr)
{
    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(ZENTIL_BINARY_DIR "/src/") + name, args);
    const bool ended
        = program.waitForFinished(30000) && program.exitStatus() == QProcess::NormalExit;
    if (output)
        *output = QString::fromLocal8Bit(program.readAll());
    return ended ? program.exitCode() : -1;
}

} // namespace zentil::test
