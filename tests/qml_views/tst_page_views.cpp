// The eight page views against a fake view model, driven with real mouse and key events: what
// the end-to-end run of the program (tests/e2e) does not see - exact texts, states that are
// hard to reach there, and that a page sends nothing but what a person does.
#include "ViewHarness.h"

#include <QtTest>
#include <cmath>

namespace {
QUrl image(const char *name) { return QUrl(QStringLiteral("qrc:/Images/Images/") + name); }
const QUrl kArrow = image("Dropdown_Arrow.png");

const QVariantMap kOneMixer{{"deviceNames", QStringList{"Alto A-100"}},
                            {"activeDevice", "Alto A-100"},
                            {"disableDropDown", true},
                            {"connected", true},
                            {"sampleRate", 48000}};
const QVariantMap kTwoMixers{{"deviceNames", QStringList{"Alto A-100", "Tenor T-200"}},
                             {"activeDevice", "Please select a device"},
                             {"connected", true}};
const QStringList kAlto{"Mic input 1 + Mono line input 2", "Stereo input 2+3", "Stereo input 4+5", "Mix L+R"};
const QVariantMap kBasso{{"inputs12", QStringList{"Mic input 1+2"}},
                         {"activeInput12", "Mic input 1+2"},
                         {"inputs32", QStringList{"Mic input 3+4", "Stereo input 5+6", "Stereo input 7+8", "Mix L+R"}},
                         {"activeInput32", "Mix L+R"},
                         {"input32Visibility", true}};
const QVariantMap kDucker{{"sensitivity", -30}, {"duckerRange", 40}, {"releaseTime", 2.0}};
const QVariantMap kBuffer{{"inputFormats", QStringList{"2 channels, 16 bits", "2 channels, 24 bits"}},
                          {"currentInputFormat", "2 channels, 24 bits"},
                          {"outputFormats", QStringList{"2 channels, 24 bits"}},
                          {"currentOutputFormat", "2 channels, 24 bits"},
                          {"enableStreamFormatSelection", true},
                          {"asioBufferSizes", QStringList{"256 samples", "512 samples", "1024 samples"}},
                          {"currentAsioBufferSize", "256 samples"},
                          {"safeModeEnabled", true}};
const QVariantMap kVolume{
    {"isMasterVisible", true}, {"minVolumeRange", -60}, {"maxVolumeRange", 0}, {"masterValue", -20}};

QVariantMap with(QVariantMap state, const QVariantMap &changes)
{
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        state.insert(it.key(), it.value());
    return state;
}

// Opens a drop-down box by its shown entry, picks `entry` and returns what the page heard.
QStringList pick(ViewHarness &h, QQuickItem *box, const QString &shown, const QString &entry)
{
    h.click(h.text(shown, box));
    h.journal().clear();
    h.click(h.text(entry, box));
    return h.journal();
}

// Clicks a vertical volume slider a quarter of the way down from its top and returns where it
// went, in whole dB as the strip's reading shows it.
int clickQuarterDown(ViewHarness &h, QQuickItem *slider)
{
    const QRectF r = slider->mapRectToScene(slider->boundingRect());
    h.clickScene(QPointF(r.center().x(), r.top() + r.height() / 4));
    return int(std::lround(slider->property("value").toDouble()));
}
} // namespace

class PageViews : public QObject
{
    Q_OBJECT

private slots:
    void pagesLoadCleanlyAndActivateOnce_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QVariantMap>("state");
        QTest::addColumn<bool>("activates");
        QTest::newRow("status") << "StatusMasterView.qml" << kTwoMixers << true;
        QTest::newRow("info") << "InfoMasterView.qml" << QVariantMap() << true;
        QTest::newRow("client info") << "ClientInfoMasterView.qml" << QVariantMap() << false;
        QTest::newRow("audio routing") << "AudioRoutingMasterView.qml" << kBasso << true;
        QTest::newRow("ducker") << "DuckerMasterView.qml" << with(kDucker, {{"duckerOn", true}}) << true;
        QTest::newRow("buffer settings") << "BufferSettingsMasterView.qml" << kBuffer << true;
        QTest::newRow("format") << "FormatMasterView.qml" << QVariantMap() << false;
        QTest::newRow("volume") << "VolumeMasterView.qml" << kVolume << true;
    }

    void pagesLoadCleanlyAndActivateOnce()
    {
        QFETCH(QString, page);
        QFETCH(QVariantMap, state);
        QFETCH(bool, activates);
        ViewHarness h;
        QVERIFY(h.load(page, state));
        // A page calls nothing by itself but its activation: no slider reports its start value.
        QCOMPARE(h.journal(), activates ? QStringList{"onActivate()"} : QStringList());
        h.unload();
        const QStringList last = activates ? QStringList{"onDeactivate()", "deleted"} : QStringList{"deleted"};
        QCOMPARE(h.journal().mid(h.journal().size() - last.size()), last);
        QCOMPARE(h.journal().count("onActivate()"), activates ? 1 : 0);
        VERIFY_NO_QML_PROBLEMS(h);
    }

    void statusListOpensOnlyWithAChoiceAndClosesOnTheBackground()
    {
        ViewHarness h;
        QVERIFY(h.load("StatusMasterView.qml", kOneMixer));
        QQuickItem *box = h.byName("deviceBox");
        QVERIFY(h.images(kArrow, box).isEmpty());
        QVERIFY(h.text("48000 Hz"));
        h.click(h.text("Alto A-100", box));
        QCOMPARE(h.journal(), QStringList{"onActivate()"});
        QCOMPARE(h.texts("Alto A-100").size(), 1);
        h.vm()->insert("sampleRate", 0);
        QVERIFY(!h.text("0 Hz"));

        // Two mixers: a background click closes only an open list; the arrow turns while open.
        QVERIFY(h.load("StatusMasterView.qml", kTwoMixers));
        box = h.byName("deviceBox");
        h.clickBackground();
        QCOMPARE(h.journal(), QStringList{"onActivate()"});
        h.click(h.text("Please select a device"));
        QVERIFY(h.text("Tenor T-200", box));
        QCOMPARE(h.images(kArrow, box).value(0)->rotation(), 180.0);
        h.journal().clear();
        h.clickBackground();
        QCOMPARE(h.journal(), QStringList{"showList()"});
        QVERIFY(!h.text("Tenor T-200"));
        QCOMPARE(h.images(kArrow, box).value(0)->rotation(), 0.0);

        // A list that empties while open goes without stale bindings.
        h.click(h.text("Please select a device"));
        h.vm()->insert("deviceNames", QStringList());
        h.vm()->insert("activeDevice", "Not Connected");
        QVERIFY(!h.text("Alto A-100"));
        QVERIFY(h.images(kArrow, box).isEmpty());
        VERIFY_NO_QML_PROBLEMS(h);
    }

    void statusCtrlBShowsTheDebugReadout()
    {
        ViewHarness h;
        QVERIFY(h.load("StatusMasterView.qml", kOneMixer));
        QQuickItem *readout = h.byName("debugReadout");
        QVERIFY(!ViewHarness::isShown(readout));
        h.view().requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&h.view()));
        QTest::keyClick(&h.view(), Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(h.journal(), (QStringList{"onActivate()", "onDebugActivated()"}));
        QVERIFY(ViewHarness::isShown(readout));
        const QVariantMap debug{{"id", "7"}, {"mux0", "1"},    {"mux1", "2"},     {"adc", "3"},
                                {"fx", "4"}, {"tempo", "300"}, {"constant", "85"}};
        for (auto it = debug.cbegin(); it != debug.cend(); ++it)
            h.vm()->insert(it.key(), it.value());
        QVERIFY(h.text("Build:0626(FW>=1.05): ID:7, MUX0:1, MUX1:2, ADC:3, FX:4. Tempo:300 ms.85", readout));
        h.vm()->insert("debugActivated", false);
        QVERIFY(!ViewHarness::isShown(readout));
    }

    void infoPagesShowTheirTexts()
    {
        ViewHarness h;
        QVERIFY(h.load("InfoMasterView.qml", {{"vid", "0x05AB"},
                                              {"pid", "0x0031"},
                                              {"revisionId", "1.05"},
                                              {"apiVersion", "5.2.1"},
                                              {"buildType", "Release"},
                                              {"streamingState", "Active"},
                                              {"activeKsClients", "2"}}));
        for (const char *text : {"0x05AB/0x0031", "v 1.05", "Version 5.2.1", "Release Build", "Active", "2"})
            QVERIFY2(h.text(text), text);
        QVERIFY(h.load("ClientInfoMasterView.qml"));
        QVERIFY(h.text("Stopped"));
        QCOMPARE(h.texts("0").size(), 2);
    }

    // Picks are driven through the real program (tests/e2e); here what it cannot see.
    void routingBoxesFollowTheModel()
    {
        ViewHarness h;
        QVERIFY(h.load("AudioRoutingMasterView.qml", {{"inputs12", kAlto}, {"activeInput12", kAlto[0]}}));
        QVERIFY(!ViewHarness::isShown(h.byName("inputs32Box")));
        QCOMPARE(h.images(kArrow, h.byName("inputs12Box")).size(), 1);

        // The Basso's single 1+2 source has no list; with the 3+4 list open too, a click beside
        // the boxes clears both flags (the first click set the 1+2 one although nothing opened).
        QVERIFY(h.load("AudioRoutingMasterView.qml", kBasso));
        QQuickItem *box34 = h.byName("inputs32Box");
        QVERIFY(h.images(kArrow, h.byName("inputs12Box")).isEmpty());
        h.click(h.text("Mic input 1+2"));
        QCOMPARE(h.texts("Mic input 1+2").size(), 1);
        h.click(h.text("Mix L+R", box34));
        QVERIFY(h.text("Stereo input 7+8", box34));
        h.journal().clear();
        h.clickBackground();
        QCOMPARE(h.journal(), (QStringList{"showInputs12List()", "showInputs32List()"}));
        QVERIFY(!h.text("Stereo input 5+6"));
    }

    void duckerMeterFollowsTheReading_data()
    {
        QTest::addColumn<int>("reading");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("lit");
        // 29 bars; bar i is lit while i < 29 x |1 - value / 90|.
        QTest::newRow("30 lights two thirds") << 30 << "-30dB" << 20;
        QTest::newRow("45 lights half") << 45 << "-45dB" << 15;
        QTest::newRow("120 sticks at 90") << 120 << "-90dB" << 0;
        QTest::newRow("int max sticks at 90") << 2147483647 << "-90dB" << 0;
        QTest::newRow("-5 sticks at 0") << -5 << "0dB" << 29;
    }

    void duckerMeterFollowsTheReading()
    {
        QFETCH(int, reading);
        QFETCH(QString, label);
        QFETCH(int, lit);
        ViewHarness h;
        QVERIFY(h.load("DuckerMasterView.qml", kDucker));
        QQuickItem *meter = h.byName("duckerMeter");
        const auto bars = h.find(meter, [](QQuickItem *i) { return i->width() == 19 && i->height() == 2; });
        QCOMPARE(bars.size(), 29);
        QVERIFY(!bars[0]->isVisible());

        h.click(h.text("OFF"));
        QCOMPARE(h.journal().last(), QStringLiteral("onDuckerToggled()"));
        QVERIFY(bars[0]->isVisible());
        h.vm()->insert("meterReading", reading);
        QVERIFY2(h.text(label, meter), qPrintable(label));
        QCOMPARE(std::count_if(bars.begin(), bars.end(),
                               [](QQuickItem *b) { return b->property("color").value<QColor>().alpha() == 255; }),
                 lit);

        // Off again: the reading rests at 0dB whatever came last, and the bars go.
        h.click(h.text("ON"));
        QVERIFY(h.text("0dB", meter));
        QVERIFY(!bars[0]->isVisible());
    }

    void bufferFormatListOpensWithSelectionOffAndPickingCallsThePage_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("inputs") << "inputFormatBox"
                                << QStringList{"currentInputFormat=2 channels, 16 bits",
                                               "onInputFormatSelectionChanged(0,2 channels, 16 bits)",
                                               "showInputFormatList()"};
        QTest::newRow("output") << "outputFormatBox"
                                << QStringList{"currentOutputFormat=2 channels, 16 bits",
                                               "onOutputFormatSelectionChanged(0,2 channels, 16 bits)",
                                               "showOuputFormatList()"};
    }

    void bufferFormatListOpensWithSelectionOffAndPickingCallsThePage()
    {
        QFETCH(QString, box);
        QFETCH(QStringList, expected);
        ViewHarness h;
        QVERIFY(h.load("BufferSettingsMasterView.qml", with(kBuffer, {{"outputFormats", kBuffer["inputFormats"]},
                                                                      {"enableStreamFormatSelection", false}})));
        QQuickItem *formatBox = h.byName(box);
        QVERIFY(h.images(kArrow, formatBox).isEmpty());
        QCOMPARE(pick(h, formatBox, "2 channels, 24 bits", "2 channels, 16 bits"), expected);
    }

    void bufferSafeModeAndWarning()
    {
        ViewHarness h;
        QVERIFY(h.load("BufferSettingsMasterView.qml", with(kBuffer, {{"safeModeEnabled", false}})));
        QQuickItem *check = h.byName("safeModeCheck");
        QVERIFY(h.images(image("Checked.png"), check).isEmpty());
        h.click(h.text("Safe Mode"));
        QCOMPARE(h.journal().last(), QStringLiteral("onSafeModeSelectionChanged()"));
        QCOMPARE(h.images(image("Checked.png"), check).size(), 1);

        // With two lists open a click beside the boxes closes both.
        h.click(h.text("2 channels, 24 bits", h.byName("inputFormatBox")));
        h.click(h.text("256 samples", h.byName("asioBufferBox")));
        h.journal().clear();
        h.clickBackground();
        QCOMPARE(h.journal(), (QStringList{"showInputFormatList()", "showAsioBufferList()"}));
        QVERIFY(!h.text("1024 samples"));

        // One output format: no arrow, and a click opens nothing.
        QQuickItem *output = h.byName("outputFormatBox");
        QVERIFY(h.images(kArrow, output).isEmpty());
        h.click(h.text("2 channels, 24 bits", output));
        QCOMPARE(h.texts("2 channels, 24 bits", output).size(), 1);

        QQuickItem *warning = h.byName("bufferWarning");
        QVERIFY(!ViewHarness::isShown(warning));
        h.vm()->insert("showWarning", true);
        QVERIFY(ViewHarness::isShown(warning));
    }

    void volumeWithoutRowsShowsTheMasterStripOnly()
    {
        ViewHarness h;
        QVERIFY(h.load("VolumeMasterView.qml", kVolume));
        QVERIFY(!ViewHarness::isShown(h.byName("channelStrips")));
        QQuickItem *master = h.byName("masterStrip");
        QVERIFY(h.text("-20dB", master));

        // A range that cannot hold the value: the handle rests at its end, the reading keeps
        // the true value, and nothing is written.
        h.journal().clear();
        h.vm()->insert("minVolumeRange", -10);
        QVERIFY(h.text("-20dB", master));
        h.vm()->insert("minVolumeRange", -60);
        h.click(h.text("Output"));
        h.click(h.text("Input"));
        const int moved = clickQuarterDown(h, h.sliders(master).value(0));
        QVERIFY2(moved > -20 && moved < 0, "a quarter down the -60..0 scale");
        h.click(h.images(image("Audio_On_Icon.svg"), master).value(0));
        QCOMPARE(h.journal(), (QStringList{"onOutputSelected()", "onInputSelected()",
                                           QStringLiteral("onMasterUpdate(%1)").arg(moved), "onMasterMute()"}));
        QCOMPARE(h.images(image("Audio_Mute_Icon.svg"), master).size(), 1);
        QVERIFY(h.text(QStringLiteral("%1dB").arg(moved), master));
    }

    void volumeStripsCallThePageWithTheirRow()
    {
        ViewHarness h;
        QVERIFY(h.load("VolumeMasterView.qml", kVolume));
        h.vm()->setPairs({{-10, -10, true, false}, {-5, -30, false, false}});
        QList<QQuickItem *> strips;
        QTRY_COMPARE(
            (strips = h.find(h.byName("channelStrips"), [](QQuickItem *i) { return i->property("pCommon").isValid(); }))
                .size(),
            2);
        std::sort(strips.begin(), strips.end(), [](QQuickItem *a, QQuickItem *b) {
            return a->property("pIndex").toInt() < b->property("pIndex").toInt();
        });
        QVERIFY(h.text("L2", strips[1]));
        // The scroll bar is the narrow one under the first two strips.
        const auto bar = h.find(h.page(), [](QQuickItem *i) { return i->inherits("QQuickScrollBar"); });
        QCOMPARE(bar.value(0) ? bar.value(0)->width() : 0.0, 2 * 89.0);

        // Linked: one slider moves both and the page hears one common value.
        const auto linked = h.sliders(strips[0]);
        h.journal().clear();
        const int common = clickQuarterDown(h, linked[0]);
        QCOMPARE(h.journal(), QStringList{QStringLiteral("onCommonUpdate(0,%1)").arg(common)});
        QCOMPARE(std::lround(linked[1]->property("value").toDouble()), long(common));

        const auto unlinked = h.sliders(strips[1]);
        h.journal().clear();
        const int right = clickQuarterDown(h, unlinked[1]);
        QCOMPARE(h.journal(), QStringList{QStringLiteral("onRightChannelUpdate(1,%1)").arg(right)});
        QCOMPARE(unlinked[0]->property("value").toDouble(), -5.0);

        // Linking a pair that differs meets it halfway; muting takes the sliders out of reach.
        h.journal().clear();
        h.click(h.images(image("Not_Linked_Icon.svg"), strips[1]).value(0));
        h.click(h.images(image("Audio_On_Icon.svg"), strips[1]).value(0));
        const double met = unlinked[0]->property("value").toDouble();
        QCOMPARE(unlinked[1]->property("value").toDouble(), met);
        QVERIFY(met < -5 && met > right);
        QCOMPARE(h.journal(),
                 (QStringList{"onLink(1)", QStringLiteral("onCommonUpdate(1,%1)").arg(std::lround(met)), "onMute(1)"}));
        QCOMPARE(h.images(image("Audio_Mute_Icon.svg"), strips[1]).size(), 1);
        QVERIFY(!unlinked[0]->isEnabled());
        VERIFY_NO_QML_PROBLEMS(h);
    }
};

QTEST_MAIN(PageViews)
#include "tst_page_views.moc"
