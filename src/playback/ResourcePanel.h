#pragma once

#include <QFrame>

class QLabel;
class QProgressBar;

namespace zentil {

// The progress panel shown while a slide waits for its files or while files download before the
// show starts: a caption, the current action (`Text`), byte progress or the last error
// (`Bytes`), and two bars for the current file and the file count.
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

    QString Caption() const;
    QString Text() const;
    QString Bytes() const;

private:
    QLabel* caption_;
    QLabel* text_;
    QLabel* bytes_;
    QProgressBar* fileBar_;
    QProgressBar* filesBar_;
};

} // namespace zentil
