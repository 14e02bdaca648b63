#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "platform/MonotonicClock.h"
#include "script/PresentationModel.h"
#include "script/ScrambledFiles.h"
#include "script/WorkingCopies.h"
#include "storage/ZentilFolders.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

namespace {

class RecordingReporter : public ErrorReporter {
public:
    void ExecuteFatalError(const FatalError& error) override { fatal = error; }
    std::optional<FatalError> fatal;
};

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class tst_WorkingCopies : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    MonotonicClock clock_;

private Q_SLOTS:
    void keyTableNeverChanges()
    {
        // Scrambled presentations in the field depend on these exact bytes.
        const auto& key = KeyTable();
        const QByteArray bytes(reinterpret_cast<const char*>(key.data()), ScrambleKeyTableSize);
        QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(16),
            QByteArray("de54ae4961576bc5"));
        QCOMPARE(KeyTableIndex(1), 0);
        QCOMPARE(KeyTableIndex(10000), 9999);
        QCOMPARE(KeyTableIndex(10001), 0);
        QCOMPARE(KeyTableIndex(0), 9999);
    }

    void hiddenNames()
    {
        const QRegularExpression shape(u"^[a-z][a-z0-9]{7}\\.ogg$"_s);
        QVERIFY(shape.match(MakeHiddenFileName(u"ogg"_s)).hasMatch());
        QVERIFY(shape.match(MakeHiddenFileName(u" .ogg "_s)).hasMatch());
        QVERIFY(
            QRegularExpression(u"^[a-z][a-z0-9]{7}$"_s).match(MakeHiddenFileName({})).hasMatch());
    }

    void scrambleRoundTripAndTruncation()
    {
        // Long enough to wrap around the key table and to span several blocks.
        QByteArray plain;
        for (int i = 0; i < 150000; ++i)
            plain.append(static_cast<char>((i * 7) & 0xFF));
        const QString in = dir_.filePath(u"plain.bin"_s);
        const QString scrambled = dir_.filePath(u"scrambled.bin"_s);
        const QString back = dir_.filePath(u"back.bin"_s);
        WriteAll(in, plain);
        QString error;
        QVERIFY(ScrambleFile(in, scrambled, 9999, &error));
        const QByteArray s = ReadAll(scrambled);
        QCOMPARE(s.size(), plain.size() + ScrambleHeaderSize);
        QVERIFY(s.startsWith("ZENTIL\x0f\x27"));
        QVERIFY(s.mid(ScrambleHeaderSize) != plain);
        QVERIFY(UnscrambleFile(scrambled, back, &error));
        QCOMPARE(ReadAll(back), plain);

        // In place: exactly the unscrambled bytes remain, no scrambled tail.
        QVERIFY(DecryptFile(scrambled));
        QCOMPARE(ReadAll(scrambled), plain);
        QVERIFY(!DecryptFile(scrambled)); // now plain: left alone
        QCOMPARE(ReadAll(scrambled), plain);
        QVERIFY(!UnscrambleFile(in, back, &error));
        QVERIFY(!ScrambleFile(in, back, 0, &error));
    }

    void workingCopiesAreUnscrambledCopies()
    {
        ZentilFolders folders;
        folders.ResourcePath = dir_.filePath(u"show/resources"_s);
        folders.ZTTempPath = dir_.filePath(u"temp"_s);
        folders.ZentilCachePath = dir_.filePath(u"cache/"_s);
        QDir().mkpath(folders.ResourcePath);
        QDir().mkpath(folders.ZTTempPath);
        WriteAll(folders.ResourcePath + u"/pic.jpg"_s, "picture");
        QString error;
        WriteAll(dir_.filePath(u"p.txt"_s), "picture");
        QVERIFY(
            ScrambleFile(dir_.filePath(u"p.txt"_s), folders.ResourcePath + u"/s.jpg"_s, 5, &error));
        SlideShowModel model;
        model.Defn.ShowTitle = u"Show"_s;
        model.Defn.ScriptParentFolder = dir_.filePath(u"show"_s);
        model.Map.Append(u"PIC.JPG"_s);
        model.Map.Append(u"s.jpg"_s);
        RecordingReporter reporter;
        DebugLog log(clock_, false);

        WorkingCopyContext plain { folders, model, false, reporter, log };
        const QString copy = GetRealFilename(plain, u"pic.jpg"_s); // the map's name is used
        QCOMPARE(copy, model.Map.At(1).LocalFileName);
        QCOMPARE(QFileInfo(copy).dir().absolutePath(), QDir(folders.ZTTempPath).absolutePath());
        QCOMPARE(ReadAll(copy), QByteArray("picture"));
        QCOMPARE(GetRealFilename(plain, u"Pic.jpg"_s), copy); // made once
        QCOMPARE(ReadAll(MakeUnscrambledCopy(plain, u"s.jpg"_s)), QByteArray("picture"));
        QVERIFY(MakeUnscrambledCopy(plain, u"../resources/pic.jpg"_s).isEmpty());
        QVERIFY(MakeUnscrambledCopy(plain, u"none.jpg"_s).isEmpty());
        QVERIFY(!reporter.fatal);

        // A plain file inside a scrambled presentation is a corrupt presentation.
        WorkingCopyContext scrambled { folders, model, true, reporter, log };
        QVERIFY(!MakeUnscrambledCopy(scrambled, u"s.jpg"_s).isEmpty());
        QVERIFY(MakeUnscrambledCopy(scrambled, u"pic.jpg"_s).isEmpty());
        QVERIFY(reporter.fatal);
        QCOMPARE(reporter.fatal->Title, u"Zentil Resource File Corrupted"_s);
        QVERIFY(!reporter.fatal->CorruptFileFound);
        QVERIFY(reporter.fatal->Text.contains(model.Defn.ScriptParentFolder));

        ScriptStatements script;
        script.EncryptFlag = true;
        InitializeSlideShowModel(model, script, folders, log);
        QVERIFY(QDir(folders.ZTTempPath).isEmpty());
        QVERIFY(!script.EncryptFlag);
        QCOMPARE(model.Map.Count(), 0);
        QCOMPARE(model.Defn.ScriptParentFolder, dir_.filePath(u"show"_s));
    }
};

QTEST_GUILESS_MAIN(tst_WorkingCopies)
#include "tst_workingcopies.moc"
