#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace zentil {

class AudioOutput;
class WaveFileSource;

// What a wave player is doing; the numbers are the multimedia-control mode numbers.
enum class WaveMode : int {
    NotOpen = 524, // no file open (after Close, a failed Open, or at start)
    Stopped = 525, // a file is open and not playing, including after its natural end
    Playing = 526, // sound is running and Position advances
    Paused = 529, // playing suspended; Pause or Play resumes
};

// The commands of a wave player.
enum class WaveCommand {
    Open, // opens FileName; an open file is closed first
    Play, // plays from From when it was set, else from the current position (resumes a pause)
    Pause, // pauses a playing player; resumes a paused one
    Stop, // stops playing; the position stays where the sound stopped
    Close,
};

// The code a Done notification carries. Only Successful advances a show.
enum class WaveNotify : int {
    Successful = 1, // the play reached the natural end of the file
    Superseded = 2, // a new "Play" from another position replaced the play in progress
    Aborted = 4, // "Pause", "Stop", "Close" or "Open" interrupted the play
    Failure = 8, // the play could not go on
};

// Error numbers left in Error by the last command; 0 = none.
enum class WaveError : int {
    NoError = 0,
    InvalidDeviceId = 257, // a command that needs an open file was sent to a closed player
    FileNotFound = 275, // FileName names no readable file
    InvalidFile = 296, // the file is not a playable wave file
};

// How a player makes its sound.
enum class WaveOutputChoice {
    DefaultDevice, // the desktop's default output; silently against the clock when there is none
    Silent, // always silently against the clock
};

// One narration player with the command surface of a multimedia "WaveAudio" control: the
// commands above, the properties FileName, From, Mode, Position, Length (milliseconds), Error and
// ErrorMessage, and a Done notification when a play ends. Every command completes before it
// returns and sets Error (0 on success); Ogg Vorbis narration is decoded while it plays.
// Notifications are delivered from the event loop, never from inside a command, so a Done
// handler may command this player freely, and nobody needs to let events run after a command.
class WavePlayer : public QObject {
    Q_OBJECT

public:
    // index is the player's number in its pair (1 or 2); Done reports it.
    explicit WavePlayer(int index, WaveOutputChoice output = WaveOutputChoice::DefaultDevice,
        QObject* parent = nullptr);
    ~WavePlayer() override;

    int Index() const { return index_; }

    void Command(WaveCommand command);
    void Open();
    // At the end of the file a play completes at once.
    void Play();
    void Pause();
    void Stop();
    void Close();

    const QString& FileName() const { return fileName_; }
    void SetFileName(const QString& fileName) { fileName_ = fileName; }
    // Start position in milliseconds for the next "Play" only.
    void SetFrom(qint64 ms) { from_ = ms; }
    WaveMode Mode() const { return mode_; }
    qint64 Position() const;
    qint64 Length() const { return lengthMs_; }
    int Error() const { return static_cast<int>(error_); }
    QString ErrorMessage() const;
    void ClearError() { error_ = WaveError::NoError; }

    // True while (or, once stopped, when last) the sound went to a real output device.
    bool Audible() const { return audible_; }

Q_SIGNALS:
    // A play ended; notifyCode is a WaveNotify value.
    void Done(int index, int notifyCode);

private:
    bool RequireOpen();
    void StartAt(qint64 ms);
    void ResumePlay();
    void StartOutput(bool allowDevice);
    void HaltOutput();
    void AbortPlay(WaveNotify code);
    void OnDrained();
    void OnOutputFailed();
    void Notify(WaveNotify code);

    const int index_;
    const WaveOutputChoice outputChoice_;
    std::unique_ptr<WaveFileSource> source_;
    std::unique_ptr<AudioOutput> output_;
    QString fileName_;
    std::optional<qint64> from_;
    WaveMode mode_ = WaveMode::NotOpen;
    WaveError error_ = WaveError::NoError;
    qint64 lengthMs_ = 0;
    qint64 startMs_ = 0; // where the running output started
    qint64 positionMs_ = 0; // the position while no output runs
    bool audible_ = false;
    // Changes whenever a new file or a new play begins, so that a natural-end notification
    // still waiting in the event queue is dropped once it no longer belongs to what is open.
    quint64 playSerial_ = 0;
    quint64 outputSerial_ = 0; // tells the running output's signals from a replaced one's
};

} // namespace zentil
