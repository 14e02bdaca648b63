#include "playback/WavePlayer.h"

#include "platform/SilentAudioOutput.h"
#include "platform/SinkAudioOutput.h"
#include "platform/WaveFileSource.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
qint64 RoundToMs(double ms)
{
    return static_cast<qint64>(std::nearbyint(ms));
}
} // namespace

WavePlayer::WavePlayer(int index, WaveOutputChoice output, QObject* parent)
    : QObject(parent)
    , index_(index)
    , outputChoice_(output)
    , source_(std::make_unique<WaveFileSource>())
{ }

WavePlayer::~WavePlayer()
{
    HaltOutput();
}

void WavePlayer::Command(WaveCommand command)
{
    switch (command) {
    case WaveCommand::Open:
        Open();
        return;
    case WaveCommand::Play:
        Play();
        return;
    case WaveCommand::Pause:
        Pause();
        return;
    case WaveCommand::Stop:
        Stop();
        return;
    case WaveCommand::Close:
        Close();
        return;
    }
}

void WavePlayer::Open()
{
    Close();
    switch (source_->OpenFile(fileName_)) {
    case WaveFileSource::OpenResult::FileNotFound:
        error_ = WaveError::FileNotFound;
        return;
    case WaveFileSource::OpenResult::InvalidFile:
        error_ = WaveError::InvalidFile;
        return;
    case WaveFileSource::OpenResult::Opened:
        break;
    }
    lengthMs_ = RoundToMs(static_cast<double>(source_->FrameCount()) * 1000.0
        / static_cast<double>(source_->SampleRate()));
    mode_ = WaveMode::Stopped;
}

void WavePlayer::Play()
{
    const std::optional<qint64> from = std::exchange(from_, std::nullopt);
    if (!RequireOpen())
        return;
    if (mode_ == WaveMode::Playing && !from)
        return; // already doing what was asked
    if (mode_ == WaveMode::Paused && !from) {
        ResumePlay();
        return;
    }
    if (mode_ == WaveMode::Playing)
        AbortPlay(WaveNotify::Superseded);
    else
        HaltOutput(); // a paused play was reported aborted when it paused
    StartAt(from ? std::clamp<qint64>(*from, 0, lengthMs_) : positionMs_);
}

void WavePlayer::Pause()
{
    from_.reset();
    if (!RequireOpen())
        return;
    if (mode_ == WaveMode::Playing) {
        output_->Suspend();
        mode_ = WaveMode::Paused;
        Notify(WaveNotify::Aborted);
    } else if (mode_ == WaveMode::Paused) {
        ResumePlay();
    }
}

void WavePlayer::Stop()
{
    from_.reset();
    if (!RequireOpen())
        return;
    if (mode_ == WaveMode::Playing)
        AbortPlay(WaveNotify::Aborted);
    else if (mode_ == WaveMode::Paused)
        HaltOutput();
    mode_ = WaveMode::Stopped;
}

void WavePlayer::Close()
{
    from_.reset();
    error_ = WaveError::NoError;
    if (mode_ == WaveMode::NotOpen)
        return;
    if (mode_ == WaveMode::Playing)
        AbortPlay(WaveNotify::Aborted);
    HaltOutput();
    source_->close();
    ++playSerial_;
    mode_ = WaveMode::NotOpen;
    lengthMs_ = 0;
    positionMs_ = 0;
}

qint64 WavePlayer::Position() const
{
    if (!output_)
        return positionMs_;
    const qint64 played = RoundToMs(static_cast<double>(output_->PlayedUs()) / 1000.0);
    return std::min(startMs_ + played, lengthMs_);
}

QString WavePlayer::ErrorMessage() const
{
    switch (error_) {
    case WaveError::NoError:
        return {};
    case WaveError::InvalidDeviceId:
        return u"Invalid device: no file is open in this player."_s;
    case WaveError::FileNotFound:
        return u"The specified file cannot be found. Make sure the path and file name are "
               u"correct."_s;
    case WaveError::InvalidFile:
        return u"The specified file cannot be played. It may be damaged or not a wave file."_s;
    }
    return {};
}

bool WavePlayer::RequireOpen()
{
    if (mode_ == WaveMode::NotOpen) {
        error_ = WaveError::InvalidDeviceId;
        return false;
    }
    error_ = WaveError::NoError;
    return true;
}

void WavePlayer::StartAt(qint64 ms)
{
    ++playSerial_;
    positionMs_ = ms;
    if (ms >= lengthMs_) {
        // Nothing left to play: the play completes at once, as at a natural end.
        mode_ = WaveMode::Stopped;
        Notify(WaveNotify::Successful);
        return;
    }
    source_->seek(source_->BytePosForMs(ms));
    startMs_ = ms;
    mode_ = WaveMode::Playing;
    StartOutput(true);
}

void WavePlayer::StartOutput(bool allowDevice)
{
    output_.reset();
    if (allowDevice && outputChoice_ == WaveOutputChoice::DefaultDevice) {
        output_ = std::make_unique<SinkAudioOutput>();
        if (!output_->Start(source_.get(), source_->Format()))
            output_.reset();
    }
    if (!output_) {
        output_ = std::make_unique<SilentAudioOutput>();
        output_->Start(source_.get(), source_->Format());
    }
    audible_ = output_->IsAudible();
    // Queued: an output must not be replaced from inside its own signal.
    const quint64 serial = ++outputSerial_;
    connect(
        output_.get(), &AudioOutput::Drained, this,
        [this, serial] {
            if (serial == outputSerial_)
                OnDrained();
        },
        Qt::QueuedConnection);
    connect(
        output_.get(), &AudioOutput::Failed, this,
        [this, serial] {
            if (serial == outputSerial_)
                OnOutputFailed();
        },
        Qt::QueuedConnection);
}

void WavePlayer::HaltOutput()
{
    if (!output_)
        return;
    positionMs_ = Position();
    output_->Stop();
    output_.reset();
    ++outputSerial_;
}

void WavePlayer::AbortPlay(WaveNotify code)
{
    HaltOutput();
    Notify(code);
}

void WavePlayer::ResumePlay()
{
    if (!output_) {
        StartAt(positionMs_); // the sound ran out just as it was paused: complete now
        return;
    }
    output_->Resume();
    mode_ = WaveMode::Playing;
}

void WavePlayer::OnDrained()
{
    HaltOutput();
    positionMs_ = lengthMs_;
    if (mode_ == WaveMode::Paused)
        return; // the end is reported when the pause ends: a paused player changes no slide
    mode_ = WaveMode::Stopped;
    Notify(WaveNotify::Successful);
}

void WavePlayer::OnOutputFailed()
{
    // The sound server went away: the rest of the narration plays silently, so the show goes on.
    const qint64 at = Position();
    HaltOutput();
    source_->seek(source_->BytePosForMs(at));
    startMs_ = at;
    StartOutput(false);
    if (mode_ == WaveMode::Paused)
        output_->Suspend();
}

void WavePlayer::Notify(WaveNotify code)
{
    const quint64 serial = playSerial_;
    QTimer::singleShot(0, this, [this, code, serial] {
        // A natural end that waited in the queue while another file or play began is stale.
        if (code == WaveNotify::Successful && serial != playSerial_)
            return;
        Q_EMIT Done(index_, static_cast<int>(code));
    });
}

} // namespace zentil
