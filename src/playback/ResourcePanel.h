#pragma once

#include <QElapsedTimer>
#include <QFrame>

#include <functional>

class QLabel;
class QProgressBar;

namespace zentil {

// The progress panel shown while a slide waits for its files or while files download before the
// show starts: a caption, the current action, byte progress or the last error, two labelled bars
// for the current file ("This file") and the files of the show
// ("Whole show"), and an estimate of the time left, made from how fast the second bar moves.
class ResourcePanel : public QFrame {
    Q_OBJECT
public:
    explicit ResourcePanel(QWidget* parent = nullptr);

    void SetCaption(const QString& caption);
    void SetText(const QString& text);
    void SetBytes(const QString& bytes);
    // Shares 0..1 of the current file and of the file count.
    void SetFileProgress(double share);
    void SetFilesProgress(double share);
    // The estimate from elapsed milliseconds and the share done; empty below 2 % or 1 s.
    static QString EstimateTimeLeft(qint64 elapsedMs, double shareDone);

    // Called once, the first time the panel is to be shown, before it is: a widget put into a
    // graphics scene costs milliseconds, which a show that never waits for files need not pay.
    std::function<void(ResourcePanel&)> BeforeFirstShow;
    void setVisible(bool visible) override;

private:
    QLabel* caption_;
    QLabel* text_;
    QLabel* bytes_;
    QProgressBar* fileBar_;
    QProgressBar* filesBar_;
    QLabel* timeLeft_;
    QElapsedTimer sinceStart_;
};

} // namespace zentil
