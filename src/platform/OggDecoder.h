#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

#include <memory>

namespace zentil {

// The external narration decoder "oggdec": the one beside the program, else the one on PATH.
// It runs one decoding at a time; a request made while another decoding runs (events keep
// running during a wait, so requests can nest) waits for it first.
class OggDecoder : public QObject {
    Q_OBJECT
public:
    explicit OggDecoder(QObject* parent = nullptr);
    ~OggDecoder() override;

    // The decoder's path: "oggdec" in the program's folder when executable there, else the one
    // found on PATH; "" when there is none.
    static QString FindDecoder();

    // Overrides the decoder (tests, or an installation that keeps it elsewhere).
    void SetDecoderPath(const QString& path) { decoderPath_ = path; }
    const QString& DecoderPath() const { return decoderPath_; }
    bool Available() const { return !decoderPath_.isEmpty(); }

    // Runs "oggdec -Q oggPath", which writes the ".wav" beside it, and waits (processing events)
    // until the decoder has exited or timeoutMs has passed. Returns true when the decoder ran to
    // a successful end; false when it could not start, failed, or is still running at the
    // timeout (it then keeps running, and the next Decode waits for it).
    bool Decode(const QString& oggPath, int timeoutMs = 15000);

    // The file handed to the decoder last.
    const QString& LastDecodedFile() const { return lastDecodedFile_; }
    bool Busy() const { return process_ != nullptr; }

Q_SIGNALS:
    void Idle();

private:
    void WaitUntilIdle();
    void Finished();

    QString decoderPath_;
    QString lastDecodedFile_;
    std::unique_ptr<QProcess> process_;
};

} // namespace zentil
