#include "script/PresentationModel.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;

class tst_PresentationModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void resourceMapFindsFirstMatchIgnoringCase()
    {
        ResourceMap map;
        QCOMPARE(map.GetMapIndex(u"a.jpg"_s), 0);
        map.Append(u"Photo.JPG"_s);
        map.Append(u"b.ogg"_s);
        map.Append(u"photo.jpg"_s);
        QCOMPARE(map.GetMapIndex(u"PHOTO.jpg"_s), 1);
        QCOMPARE(map.GetMapIndex(u"B.OGG"_s), 2);
        QCOMPARE(map.GetMapIndex(u"c.gif"_s), 0);
        QCOMPARE(map.MatchingIndexes(u"photo.jpg"_s), (std::vector<int32_t> { 1, 3 }));
        map.Clear();
        QCOMPARE(map.GetMapIndex(u"b.ogg"_s), 0);
        QCOMPARE(map.Count(), 0);
    }

    void clearingKeepsScriptNamesAndResourceSets()
    {
        SlideShowModel model;
        model.Defn.ScriptShortName = u"talk.zentil"_s;
        model.Defn.ScriptParentFolder = u"/x/talk"_s;
        model.Defn.ShowTitle = u"Talk"_s;
        model.Slides.resize(3);
        model.Map.Append(u"a.ogg"_s);
        model.CurrentSlide = { 2, 2, true };
        model.NextSlide = { 3, 1, true };
        ClearSlideShowModel(model);
        QCOMPARE(model.Defn.ScriptShortName, u"talk.zentil"_s);
        QCOMPARE(model.Defn.ScriptParentFolder, u"/x/talk"_s);
        QVERIFY(model.Defn.ShowTitle.isEmpty());
        QCOMPARE(model.SlideCount(), 0);
        QCOMPARE(model.Map.Count(), 0);
        QCOMPARE(model.CurrentSlide.Index, 0);
        QCOMPARE(model.CurrentSlide.ResourceSet, 2);
        QCOMPARE(model.NextSlide.ResourceSet, 1);
        QVERIFY(!model.NextSlide.SoundLoaded);
    }
};

QTEST_GUILESS_MAIN(tst_PresentationModel)
#include "tst_presentationmodel.moc"
