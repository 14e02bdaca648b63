#include "platform/OggDecoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

OggDecoder::OggDecoder(QObject* parent)
    : QObject(parent)
    , decoderPath_(FindDecoder())
{ }

OggDecoder::~OggDecoder()
{
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(2000);
    }
}

QString OggDecoder::FindDecoder()
{
    if (QCoreApplication::instance()) {
        const QFileInfo beside(QDir(QCoreApplication::applicationDirPath()).filePath(u"oggdec"_s));
        if (beside.isFile() && beside.isExecutable())
            return beside.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(u"oggdec"_s);
}

void OggDecoder::WaitUntilIdle()
{
    while (process_) {
        QEventLoop loop;
        connect(this, &OggDecoder::Idle, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void OggDecoder::Finished()
{
    if (!process_)
        return;
    process_.release()->deleteLater();
    Q_EMIT Idle();
}

bool OggDecoder::Decode(const QString& oggPath, int timeoutMs)
{
    if (decoderPath_.isEmpty())
        return false;
    WaitUntilIdle();
    lastDecodedFile_ = oggPath;
    process_ = std::make_unique<QProcess>();
    process_->setProgram(decoderPath_);
    process_->setArguments({ u"-Q"_s, oggPath });
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->setStandardOutputFile(QProcess::nullDevice());
    // This request's own outcome, which outlives the wait when the decoder overruns it.
    auto outcome = std::make_shared<std::optional<bool>>();
    connect(process_.get(), &QProcess::finished, this,
        [outcome](int exitCode, QProcess::ExitStatus status) {
            *outcome = status == QProcess::NormalExit && exitCode == 0;
        });
    connect(process_.get(), &QProcess::finished, this, &OggDecoder::Finished);
    connect(process_.get(), &QProcess::errorOccurred, this,
        [this, outcome](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                *outcome = false;
                Finished();
            }
        });

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &OggDecoder::Idle, &loop, &QEventLoop::quit);
    const QProcess* started = process_.get();
    process_->start();
    // The start may already have failed and finished synchronously.
    if (process_.get() == started) {
        deadline.start(timeoutMs);
        loop.exec();
    }
    return outcome->value_or(false);
}

} // namespace zentil
