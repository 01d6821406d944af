import QtQuick 2.5
import QtTest 1.1
import QtQuick.Controls 2.2
import "qrc:/UI/Qml/Strings"
import "qrc:/UI/Qml/CustomElements"

// The controls, each on its own with the style objects of a scale-1 window (the meter: tst_qml_load.cpp).
Item {
    id: mRoot
    width: 800
    height: 500

    QtObject {
        id: mDisplayScalingFactorCalculator
        property real scalingFactor: 1.0
        property real fontScalingFactor: 1.0
    }
    Colors { id: globalColors }
    Sizes { id: globalSizes }
    Strings { id: globalStrings }
    ImagePaths { id: globalImagePaths }
    Fonts { id: globalFonts }

    Component { id: scaleComponent; IOReadingListView { } }
    Component { id: groupBoxComponent; CustomGroupBox { width: globalSizes.pGBBorderRectWidth; height: globalSizes.pSizeNinety } }
    Component { id: sliderComponent; CustomSlider { width: globalSizes.pSliderWidth; height: globalSizes.pSizeFifty } }
    Component { id: slaveComponent; SlaveVolume { pLeftLower: -60; pLeftUpper: 0; pRightLower: -60; pRightUpper: 0 } }
    Component { id: masterComponent; MasterVolume { } }
    Component { id: keySlidersComponent; KeySliderValueItem { width: globalSizes.pKeySliderValueItemWidth; height: globalSizes.pLoadingFontSize } }
    Component { id: selectionComponent; SelectionItem { width: globalSizes.pSelectionRectWidth; height: globalSizes.pLoadingFontSize } }
    Component { id: signalSpyComponent; SignalSpy { } }

    // The members of the ducker view model that the ducker controls use; records the calls.
    Component {
        id: duckerModelComponent
        QtObject {
            property real sensitivity: 0
            property real duckerRange: 0
            property real releaseTime: 0
            property bool input1Checked: false
            property bool input2Checked: true
            property bool input3Checked: false
            property bool input4Checked: false
            property var calls: []
            function record(call) { calls = calls.concat([call]) }
            function onSensitivityChanged(value) { record("sensitivity " + value) }
            function onDuckerRangeChanged(value) { record("range " + value) }
            function onReleaseTimeChanged(value) { record("release " + value) }
        }
    }

    TestCase {
        name: "Controls"
        when: windowShown

        function cleanup() { compare(testProbe.warnings, "", "QML warnings"); testProbe.warnings = "" }

        function spy(target, signalName) {
            return createTemporaryObject(signalSpyComponent, mRoot, { target: target, signalName: signalName })
        }

        // The entries of a container, without the Repeater that made them.
        function entries(container, test) {
            var result = []
            for (var i = 0; i < container.children.length; ++i) {
                if (test(container.children[i]))
                    result.push(container.children[i])
            }
            return result
        }

        function test_scaleMarks_data() {
            return [
                { tag: "-127..0", lower: -127, upper: 0, marks: ["0", "-20", "-40", "-60", "-80", "-100", "-120"] },
                { tag: "-60..+6: the top reads +6", lower: -60, upper: 6,
                  marks: ["+6", "0", "-10", "-20", "-30", "-40", "-50"] },
                { tag: "-60..+2: no 0 under the +2", lower: -60, upper: 2, marks: ["+2", "-10", "-20", "-30", "-40", "-50"] },
                { tag: "empty", lower: -20, upper: -20, marks: ["-20"] },
                { tag: "inverted", lower: 0, upper: -30, marks: ["-30", "-20", "-10", "0"] }
            ]
        }

        function test_scaleMarks(data) {
            var scale = createTemporaryObject(scaleComponent, mRoot, { pLower: data.lower, pUpper: data.upper })
            var marks = entries(scale, function(e) { return e.pText !== undefined })
            marks.sort(function(a, b) { return a.y - b.y })
            compare(marks.map(function(e) { return e.children[1].visible ? e.pText : "" }), data.marks)
            verify(marks.every(function(e) { return e.y >= 0 && e.y <= scale.height }), "marks on the track")
            scale.pHideText = true
            verify(marks.every(function(e) { return !e.children[1].visible }))
        }

        // The marks follow the track at every scale: a handle at -10 dB sits beside "-10".
        function test_scaleFollowsHandle_data() {
            return [ { tag: "-127..0 at -120", lower: -127, upper: 0, value: -120, scale: 1 },
                     { tag: "-60..+6 at -10, 144 dpi", lower: -60, upper: 6, value: -10, scale: 1.5 },
                     { tag: "-60..+6 at +6, 192 dpi", lower: -60, upper: 6, value: 6, scale: 2 } ]
        }

        function test_scaleFollowsHandle(data) {
            mDisplayScalingFactorCalculator.scalingFactor = data.scale
            var strip = createTemporaryObject(masterComponent, mRoot,
                                              { pLower: data.lower, pUpper: data.upper, pDefaultValue: data.value })
            var text = (data.value > 0 ? "+" : "") + data.value
            var mark = entries(findChild(strip, "scale"), function(e) { return e.pText === text })[0]
            var handle = findChild(findChild(strip, "masterSlider"), "slider").handle
            fuzzyCompare(mark.mapToItem(strip, 0, 0.5).y, handle.mapToItem(strip, 0, handle.height / 2).y, 1.5)
            mDisplayScalingFactorCalculator.scalingFactor = 1
        }

        function test_groupBox() {
            var box = createTemporaryObject(groupBoxComponent, mRoot, { selections: ["One", "Two"] })
            compare(box.pListCount, 2)
            var order = []
            box.itemSelected.connect(function(item) { order.push("itemSelected " + item) })
            box.itemClicked.connect(function(index, item) { order.push("itemClicked " + index + " " + item) })
            box.dropDownClicked.connect(function() { order.push("dropDownClicked") })
            var list = findChild(box, "groupBoxList")
            var envelope = findChild(box, "groupBoxEnvelope")
            mouseClick(envelope)
            compare(order, ["dropDownClicked"])
            verify(!list.visible, "the page, not the control, opens the list")

            // Rows of an item model are shown by their display role. A picked row reports itself,
            // then closes the list: the pages rely on that order.
            box.selections = Qt.createQmlObject('import QtQuick 2.5; ListModel { ListElement { display: "Row A" } ListElement { display: "Row B" } }', box)
            box.pListviewVisibility = true
            // The software renderer (these tests') has no blur: the drawn shadow, under the rows only.
            box.pDropShadowVisibility = true
            var shadow = findChild(box, "groupBoxListShadow")
            tryVerify(function() { return shadow.status === Loader.Ready })
            compare(shadow.item.pRowsHeight, 2 * globalSizes.pSizeThirtySix)
            var rowX = list.x + list.width / 2
            var rowY = list.y + 1.5 * globalSizes.pSizeThirtySix
            mouseClick(box, rowX, rowY)
            compare(order.slice(1), ["itemSelected Row B", "itemClicked 1 Row B", "dropDownClicked"])

            box.pDisable = true
            mouseClick(envelope)
            mouseClick(box, rowX, rowY)
            compare(order.length, 4)
        }

        function test_sliderValueContract() {
            var slider = createTemporaryObject(sliderComponent, mRoot,
                                               { pLowerLimitValue: -60, pUpperLimitValue: 0, pInitialValue: -30, pStepSize: 1 })
            var updates = spy(slider, "updateValue")
            compare(slider.pValue, -30)

            // Disabled: the user cannot move it.
            mouseClick(slider, slider.width * 0.9, slider.height / 2)
            compare(slider.pValue, -30)
            // Only a person's move is reported: not a new initial value, nor a range that
            // clamps the value (it comes back when the range allows it again).
            slider.pInitialValue = -12
            slider.pLowerLimitValue = -10
            compare(slider.pValue, -10)
            slider.pLowerLimitValue = -60
            compare(slider.pValue, -12)
            compare(updates.count, 0)

            slider.pActive = true
            mouseClick(slider, slider.width - 1, slider.height / 2)
            compare(slider.pValue, 0)
            compare(updates.count, 1)

            // A page may hand over the value before the range: the value must survive.
            var late = createTemporaryObject(sliderComponent, mRoot, { pInitialValue: -20 })
            late.pLowerLimitValue = -60
            late.pUpperLimitValue = 0
            compare(late.pValue, -20)
        }

        // Moving linked and unlinked strips is driven end to end.
        function test_slaveLinkAndMute() {
            var strip = createTemporaryObject(slaveComponent, mRoot, { pLeftChannelDefaultValue: -10, pRightChannelDefaultValue: -30 })
            // The page's view model links or unlinks the pair in answer to detached().
            strip.detached.connect(function() { strip.pCommon = !strip.pCommon })
            var detached = spy(strip, "detached")
            var common = spy(strip, "commonUpdate")
            var link = findChild(strip, "linkImage")
            mouseClick(link)
            verify(strip.pCommon)
            compare(common.count, 1)

            // Muted: the link does not react; the mute button reports and leaves pToggle alone.
            strip.pToggle = false
            mouseClick(link)
            compare(detached.count, 1)
            var muted = spy(strip, "muted")
            mouseClick(findChild(strip, "muteImage"))
            compare(muted.count, 1)
            verify(!strip.pToggle)
        }

        function test_channelNamesFit_data() {
            return [ { tag: "scale 1", scale: 1 }, { tag: "scale 1.5", scale: 1.5 }, { tag: "scale 2", scale: 2 } ]
        }

        function test_channelNamesFit(data) {
            mDisplayScalingFactorCalculator.scalingFactor = data.scale
            var strip = createTemporaryObject(slaveComponent, mRoot, { pLeftChannelName: "Output 5", pRightChannelName: "Output 6" })
            verify(!findChild(strip, "leftName").truncated && !findChild(strip, "rightName").truncated)
            mDisplayScalingFactorCalculator.scalingFactor = 1
        }

        function test_duckerSliders_data() {
            return [
                { tag: "release 0.05", release: 0.05, text: "050ms" },
                { tag: "release 0.9997 (sent as 1000 ms)", release: 0.9997, text: "1.00s" },
                { tag: "release 1.001 (stored 1001 ms)", release: 1.001, text: "1.001s" }
            ]
        }

        function test_duckerSliders(data) {
            var model = createTemporaryObject(duckerModelComponent, mRoot)
            var item = createTemporaryObject(keySlidersComponent, mRoot, { pKeySliderValueItemViewModel: model })
            model.releaseTime = data.release
            compare(findChild(item, "releaseRow").pReadingLabelValue, data.text)

            model.sensitivity = -30
            model.duckerRange = 45
            compare(findChild(item, "thresholdRow").pReadingLabelValue, "-30dB")
            compare(findChild(item, "duckRangeRow").pReadingLabelValue, "45dB")
            model.sensitivity = -0.2
            compare(findChild(item, "thresholdRow").pReadingLabelValue, "0dB")
            // Values that come from the model are shown, never sent back.
            compare(model.calls, [])
        }

        // Clicks on and off are driven end to end.
        function test_selectionItemTicks() {
            var model = createTemporaryObject(duckerModelComponent, mRoot)
            var item = createTemporaryObject(selectionComponent, mRoot, { pSelectionItemViewModel: model })
            var rows = findChild(item, "selectionRepeater")
            verify(rows.itemAt(1).pActive && !rows.itemAt(0).pActive, "ticks follow the model")
            compare(rows.itemAt(1).pActiveImageSource, globalImagePaths.pInactiveCheckButtonImage)
            verify(!rows.itemAt(2).visible)
            item.pSelectionActive = true
            compare(rows.itemAt(1).pActiveImageSource, globalImagePaths.pActiveCheckButtonImage)
            model.input1Checked = true
            verify(rows.itemAt(0).pActive)
        }

        function test_fontsLoad() {
            compare(globalFonts.pLabelFont.family, "Open Sans")
            verify(globalFonts.pMenuFont.family.indexOf("Open Sans") === 0, globalFonts.pMenuFont.family)
        }
    }
}
