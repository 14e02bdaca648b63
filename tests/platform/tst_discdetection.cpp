#include "platform/DiscDetection.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

class tst_DiscDetection : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void discFileSystemTypes();
    void ordinaryFoldersAreNotDiscs();
    void mountedDiscsAreDiscs();
};

void tst_DiscDetection::discFileSystemTypes()
{
    QVERIFY(DiscDetection::IsDiscFileSystemType(0x9660)); // ISO 9660
    QVERIFY(DiscDetection::IsDiscFileSystemType(0x15013346)); // UDF
    QVERIFY(!DiscDetection::IsDiscFileSystemType(0xEF53)); // ext2/3/4
    QVERIFY(!DiscDetection::IsDiscFileSystemType(0x01021994)); // tmpfs
    QVERIFY(!DiscDetection::IsDiscFileSystemType(0));
}

void tst_DiscDetection::ordinaryFoldersAreNotDiscs()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString script = dir.filePath(u"talk.zentil"_s);
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(!DiscDetection::IsOnDisc(dir.path()));
    QVERIFY(!DiscDetection::IsOnDisc(script));
    QVERIFY(!DiscDetection::IsOnDisc(dir.filePath(u"missing.zentil"_s)));
    QVERIFY(!DiscDetection::IsOnDisc(QString()));
}

void tst_DiscDetection::mountedDiscsAreDiscs()
{
    // Only a machine with a disc (or a disc image) mounted can show the positive case.
    QFile mounts(u"/proc/self/mounts"_s);
    QVERIFY(mounts.open(QIODevice::ReadOnly));
    int seen = 0;
    for (const QByteArray& line : mounts.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 2 && (fields[2] == "iso9660" || fields[2] == "udf")) {
            const QString mountPoint = QFile::decodeName(fields[1]);
            QVERIFY2(DiscDetection::IsOnDisc(mountPoint), qPrintable(mountPoint));
            ++seen;
        }
    }
    if (seen == 0)
        QSKIP("no ISO 9660 or UDF file system is mounted");
}

QTEST_GUILESS_MAIN(tst_DiscDetection)
#include "tst_discdetection.moc"
