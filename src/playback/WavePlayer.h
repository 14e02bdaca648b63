#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace zentil {

class AudioOutput;
class WaveFileSource;

// What a wave player is doing; the numbers are the multimedia-control mode numbers the rest of
// the player compares against.
enum class WaveMode : int {
    NotOpen = 524, // no file open (after "Close", a failed "Open", or at start)
    Stopped = 525, // a file is open and not playing, including after its natural end
    Playing = 526, // sound is running and Position advances
    Recording = 527, // never entered: the players only play
    Seeking = 528, // never entered: positioning is immediate
    Paused = 529, // playing suspended; "Pause" or "Play" resumes
    Ready = 530, // never entered
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
    UnrecognizedCommand = 261, // Command was given a text it does not know
    FileNotFound = 275, // FileName names no readable file
    InvalidFile = 296, // the file is not a playable wave file
};

// How a player makes its sound.
enum class WaveOutputChoice {
    DefaultDevice, // the desktop's default output; silently against the clock when there is none
    Silent, // always silently against the clock
};

// One narration player with the command surface of a multimedia "WaveAudio" control: commands
// by text ("Open", "Play", "Pause", "Stop", "Close"), the properties FileName, From, Mode,
// Position, Length (milliseconds), Error and ErrorMessage, and a Done notification when a play
// ends. Every command sets Error (0 on success). Notifications are delivered from the event
// loop, never from inside a command, so a Done handler may command this player freely.
class WavePlayer : public QObject {
    Q_OBJECT

public:
    // index is the player's number in its pair (1 or 2); Done reports it.
    explicit WavePlayer(int index, WaveOutputChoice output = WaveOutputChoice::DefaultDevice,
        QObject* parent = nullptr);
    ~WavePlayer() override;

    int Index() const { return index_; }

    // Runs the command named by the text, compared without regard to case; an unknown text
    // sets Error to UnrecognizedCommand.
    void Command(const QString& command);
    // Opens FileName; an open file is closed first.
    void Open();
    // Plays from From when it was set, otherwise from the current position (resuming a paused
    // play). At the end of the file it completes at once.
    void Play();
    // Pauses a playing player; resumes a paused one.
    void Pause();
    // Stops playing; the position stays where the sound stopped.
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

    // An open retried while events run (a narration file still being written) holds the player:
    // while it is pending no second open may start on it. Close abandons it, so that a slide
    // change can take the player over; the retrying code sees that its ticket is no longer held
    // and leaves the player alone from then on.
    quint64 BeginRetriedOpen() { return retriedOpen_ = ++retriedOpenSerial_; }
    bool RetriedOpenPending() const { return retriedOpen_ != 0; }
    bool HoldsRetriedOpen(quint64 ticket) const { return ticket != 0 && retriedOpen_ == ticket; }
    void EndRetriedOpen(quint64 ticket)
    {
        if (HoldsRetriedOpen(ticket))
            retriedOpen_ = 0;
    }

Q_SIGNALS:
    // A play ended; notifyCode is a WaveNotify value.
    void Done(int index, int notifyCode);

private:
    bool RequireOpen();
    void CloseFile();
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
    quint64 retriedOpen_ = 0; // ticket of the pending retried open; 0 = none
    quint64 retriedOpenSerial_ = 0;
};

} // namespace zentil
