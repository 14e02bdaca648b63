#include "platform/DiscDetection.h"
#include "support/TestFiles.h"

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
    zentil::test::WriteFile(script, {});
    QVERIFY(!DiscDetection::IsOnDisc(dir.path()));
    QVERIFY(!DiscDetection::IsOnDisc(script));
    QVERIFY(!DiscDetection::IsOnDisc(dir.filePath(u"missing.zentil"_s)));
    QVERIFY(!DiscDetection::IsOnDisc(QString()));
}

QTEST_GUILESS_MAIN(tst_DiscDetection)
#include "tst_discdetection.moc"
