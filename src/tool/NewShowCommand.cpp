#include "tool/NewShowCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr int kSampleRate = 22050;
constexpr int kSilenceSeconds = 4;
constexpr int kToolSeconds = 30; // the most a speech or encoder run may take

// Runs a program to its end; false when it is missing or fails.
bool RunProgram(const QString& program, const QStringList& arguments)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return false;
    QProcess process;
    process.start(path, arguments);
    return process.waitForFinished(kToolSeconds * 1000)
        && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void PutLe(QByteArray& bytes, quint32 value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A mono 16-bit wave file of silence.
bool WriteSilence(const QString& path)
{
    const quint32 dataBytes = kSampleRate * 2 * kSilenceSeconds;
    QByteArray wave("RIFF");
    PutLe(wave, 36 + dataBytes, 4);
    wave.append("WAVEfmt ");
    PutLe(wave, 16, 4);
    PutLe(wave, 1, 2); // PCM
    PutLe(wave, 1, 2); // mono
    PutLe(wave, kSampleRate, 4);
    PutLe(wave, kSampleRate * 2, 4);
    PutLe(wave, 2, 2);
    PutLe(wave, 16, 2);
    wave.append("data");
    PutLe(wave, dataBytes, 4);
    wave.append(QByteArray(dataBytes, '\0'));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wave) == wave.size();
}

// Writes the narration of one slide: spoken and Ogg-encoded when the tools are there, else
// silence (Ogg when only the encoder is there). Returns the file name used, "" on failure.
QString WriteNarration(const QDir& resources, const QString& base, const QString& words)
{
    const QString wave = resources.filePath(base + u".wav"_s);
    const bool spoken = RunProgram(u"espeak-ng"_s, { u"-w"_s, wave, words });
    if (!spoken && !WriteSilence(wave))
        return QString();
    const QString ogg = resources.filePath(base + u".ogg"_s);
    if (RunProgram(u"oggenc"_s, { u"-Q"_s, u"-o"_s, ogg, wave })) {
        QFile::remove(wave);
        return base + u".ogg"_s;
    }
    QFile::remove(ogg);
    return base + u".wav"_s;
}

bool WritePicture(const QString& path)
{
    QImage picture(240, 160, QImage::Format_RGB32);
    QPainter p(&picture);
    QLinearGradient sky(0, 0, 0, 160);
    sky.setColorAt(0, QColor(0x12, 0x34, 0x56));
    sky.setColorAt(1, QColor(0xF2, 0xA5, 0x41));
    p.fillRect(picture.rect(), sky);
    p.setBrush(QColor(0xF5, 0xF2, 0xEB));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(170, 60), 24, 24);
    p.end();
    return picture.save(path, "JPG", 90);
}

QString Size(const QDir& resources, const QString& name)
{
    return u" ["_s + QString::number(QFileInfo(resources.filePath(name)).size()) + u"]"_s;
}

} // namespace

int RunNewShowCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() != 1 || args.front().startsWith(u"--")) {
        err << u"Usage: zentil-tool "_s << QString::fromLatin1(NewCommandSynopsis) << u"\n"_s;
        return 2;
    }
    const QFileInfo target(args.front());
    const QString name = target.fileName();
    if (name.isEmpty() || name.contains(u'.')) {
        err << u"zentil-tool new: give the show a name without a '.', such as mytalk\n"_s;
        return 2;
    }
    if (target.exists() && !QDir(target.filePath()).isEmpty()) {
        err << u"zentil-tool new: "_s << target.filePath() << u" exists and is not empty\n"_s;
        return 1;
    }
    QDir folder(target.absoluteFilePath());
    if (!folder.mkpath(u"resources"_s)) {
        err << u"zentil-tool new: cannot make "_s << folder.filePath(u"resources"_s) << u"\n"_s;
        return 1;
    }
    const QDir resources(folder.filePath(u"resources"_s));
    const QString first = WriteNarration(resources, u"slide1"_s,
        u"Welcome to your new show. Each slide plays while its narration speaks."_s);
    const QString second = WriteNarration(resources, u"slide2"_s,
        u"This second slide shows a picture. Edit the script to make the show your own."_s);
    if (first.isEmpty() || second.isEmpty()
        || !WritePicture(resources.filePath(u"picture.jpg"_s))) {
        err << u"zentil-tool new: cannot write the resources in "_s << resources.path() << u"\n"_s;
        return 1;
    }
    const QString script = u"/name {"_s + name + u".zentil}\n/version {1.2}\n%title {"_s
        + name.left(35) + u"}\n%info\n/title {"_s + name
        + u"}\n/author {Your name}\n%endinfo\n\n%resource\n/resource {"_s + first
        + Size(resources, first) + u" picture.jpg"_s + Size(resources, u"picture.jpg"_s) + u" | "_s
        + second + Size(resources, second)
        + u"}\n%endresource\n\n"
          u"%background\n/box {0 0 800 600 blend #123456 fill #2A7F9E penwidth 0}\n"
          u"/font {face Arial size 14 color #F5F2EB}\n/text {24 584 lj Made with Zentil}\n"
          u"%endbackground\n\n"
          u"%slide\n/play {"_s
        + first
        + u"}\n/font {face Arial size 56 bold color #FFFFFF shadow 2 2 #0A1A2A}\n"
          u"/text {400 280 cj Your new show}\n%subslide 1.5\n"
          u"/font {face Arial size 26 color #F5F2EB}\n"
          u"/text {400 340 cj One slide for each narration}\n%endslide\n\n"
          u"%slide\n/play {"_s
        + second
        + u"}\n/image {280 150 picture.jpg}\n/font {face Arial size 28 color #FFFFFF}\n"
          u"/text {400 380 cj Pictures, boxes, lines and text}\n%endslide\n"_s;
    QFile file(folder.filePath(name + u".zentil"_s));
    if (!file.open(QIODevice::WriteOnly) || file.write(script.toUtf8()) < 0) {
        err << u"zentil-tool new: cannot write "_s << file.fileName() << u"\n"_s;
        return 1;
    }
    out << u"Wrote "_s << file.fileName() << u"\n"_s;
    return 0;
}

} // namespace zentil
