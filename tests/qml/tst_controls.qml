import QtQuick 2.5
import QtTest 1.1
import "qrc:/UI/Qml/Strings"
import "qrc:/UI/Qml/CustomElements"

// The controls' behaviour, each created on its own with the style objects of a scale-1 window.
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

    Component { id: meterItemComponent; MeterItem { width: globalSizes.pMeterItemHeight; height: globalSizes.pLoadingFontSize } }
    Component { id: scaleComponent; IOReadingListView { } }
    Component { id: groupBoxComponent; CustomGroupBox { width: globalSizes.pGBBorderRectWidth; height: globalSizes.pSizeNinety } }
    Component { id: sliderComponent; CustomSlider { width: globalSizes.pSliderWidth; height: globalSizes.pSizeFifty } }
    Component { id: ioSliderComponent; InputOutputSlider { } }
    Component { id: slaveComponent; SlaveVolume { } }
    Component { id: masterComponent; MasterVolume { } }
    Component { id: keySlidersComponent; KeySliderValueItem { width: globalSizes.pKeySliderValueItemWidth; height: globalSizes.pLoadingFontSize } }
    Component { id: selectionComponent; SelectionItem { width: globalSizes.pSelectionRectWidth; height: globalSizes.pLoadingFontSize } }
    Component { id: radioComponent; RadioSelectionLabel { width: globalSizes.pRadioBorderWidth; height: globalSizes.pRadioBorderHeight } }
    Component { id: imageLabelComponent; ImageLabel { width: 120; height: globalSizes.pSizeTwenty } }
    Component { id: ribbonComponent; TopRibbon { width: 800; height: globalSizes.pSizeFifty } }
    Component { id: groupLabelsComponent; CustomGroupLabels { width: 300; height: globalSizes.pSizeThirtySix } }
    Component { id: signalSpyComponent; SignalSpy { } }

    // The ducker view model's members that the ducker controls use, recording the calls.
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
            function onChannel1SelectionChanged() { record("channel 1") }
            function onChannel2SelectionChanged() { record("channel 2") }
            function onChannel3SelectionChanged() { record("channel 3") }
            function onChannel4SelectionChanged() { record("channel 4") }
        }
    }

    TestCase {
        name: "Controls"
        when: windowShown

        function cleanup() {
            compare(testProbe.takeWarnings(), "", "QML warnings")
        }

        function spy(target, signalName) {
            return createTemporaryObject(signalSpyComponent, mRoot, { target: target, signalName: signalName })
        }

        function litBars(meterItem) {
            var bars = findChild(meterItem, "meterBars")
            var lit = 0
            for (var i = 0; i < bars.children.length; ++i) {
                var bar = bars.children[i]
                if (bar.width === 19 && bar.opacity === 1)
                    ++lit
            }
            return lit
        }

        function test_meter_data() {
            return [
                { tag: "0 dB lights all", reading: 0, lit: 29 },
                { tag: "30 dB", reading: 30, lit: 20 },
                { tag: "45 dB", reading: 45, lit: 15 },
                { tag: "90 dB lights none", reading: 90, lit: 0 },
                { tag: "below 0 lights all", reading: -5, lit: 29 }
            ]
        }

        function test_meter(data) {
            var item = createTemporaryObject(meterItemComponent, mRoot,
                                             { pMeterItemActive: true, pMeterDialActive: true })
            var meter = findChild(item, "meter")
            compare(meter.height, 128)
            compare(meter.pCount, 29)
            item.pMeterReading = data.reading
            compare(litBars(item), data.lit)
        }

        function test_meterReading() {
            var item = createTemporaryObject(meterItemComponent, mRoot,
                                             { pMeterItemActive: true, pMeterReading: 30, pValue: "30dB" })
            var label = findChild(item, "meterReading")
            compare(label.pReading, "-30dB")
            item.pMeterReading = 0
            item.pValue = "0dB"
            compare(label.pReading, "0dB")
            item.pMeterItemActive = false
            item.pMeterReading = 30
            compare(label.pReading, "0dB")
            // The bars show only while the dial is active, and fade in when they do.
            var bars = findChild(item, "meterBars")
            verify(!bars.visible)
            item.pMeterDialActive = true
            verify(bars.visible)
            tryCompare(bars, "opacity", 0.5, 2000)
        }

        function markedTexts(scale) {
            var column = findChild(scale, "scaleColumn")
            var texts = []
            for (var i = 0; i < column.children.length; ++i) {
                var entry = column.children[i]
                if (entry.children.length === 2 && entry.children[0].visible)
                    texts.push(entry.children[1].visible ? entry.children[1].text : "(tick)")
            }
            return texts
        }

        function test_scaleMarks_data() {
            return [
                { tag: "127 steps", maximum: 127, marks: ["0", "-20", "-40", "-60", "-80", "-100", "-120"] },
                { tag: "60 steps", maximum: 60, marks: ["0", "-10", "-20", "-30", "-40", "-50"] },
                { tag: "100 steps", maximum: 100, marks: ["0", "-10", "-20", "-30", "-40", "-50", "-60", "-70", "-80", "-90"] }
            ]
        }

        function test_scaleMarks(data) {
            var scale = createTemporaryObject(scaleComponent, mRoot, { pMaximum: data.maximum })
            compare(markedTexts(scale), data.marks)
            // The entries stay within the slider's length.
            var column = findChild(scale, "scaleColumn")
            verify(column.height <= globalSizes.pIOSliderWidth, "column height " + column.height)
            scale.pHideText = true
            compare(markedTexts(scale).length, data.marks.length)
            verify(markedTexts(scale).every(function(t) { return t === "(tick)" }))
        }

        function test_scaleFollowsHandle_data() {
            return [ { tag: "127 steps at -120", lower: -127, value: -120 },
                     { tag: "60 steps at -50", lower: -60, value: -50 } ]
        }

        function test_scaleFollowsHandle(data) {
            var strip = createTemporaryObject(masterComponent, mRoot, { pLower: data.lower, pUpper: 0, pDefaultValue: data.value })
            var column = findChild(strip, "scaleColumn")
            var mark = null
            for (var i = 0; i < column.children.length; ++i) {
                if (column.children[i].pText === String(data.value))
                    mark = column.children[i]
            }
            verify(mark !== null)
            tryVerify(function() { return mark.y > 0 })
            var handle = findChild(findChild(strip, "masterSlider"), "slider").handle
            var handleCentre = handle.mapToItem(strip, handle.width / 2, handle.height / 2).y
            fuzzyCompare(mark.mapToItem(strip, 0, 0.5).y, handleCentre, 1)
        }

        function rowCentre(box, row) {
            var list = findChild(box, "groupBoxList")
            return { x: list.x + list.width / 2, y: list.y + (row + 0.5) * globalSizes.pSizeThirtySix }
        }

        function test_groupBoxRowClick() {
            var box = createTemporaryObject(groupBoxComponent, mRoot,
                                            { selections: ["Alto", "Tenor", "Basso"], pListviewVisibility: true })
            compare(box.pListCount, 3)
            var order = []
            box.itemSelected.connect(function(item) { order.push("selected " + item) })
            box.itemClicked.connect(function(index, item) { order.push("clicked " + index + " " + item) })
            box.dropDownClicked.connect(function() { order.push("dropDown") })
            var p = rowCentre(box, 1)
            mouseClick(box, p.x, p.y)
            compare(order, ["selected Tenor", "clicked 1 Tenor", "dropDown"])
            // The control leaves opening and closing to the page.
            verify(box.pListviewVisibility)

            order = []
            box.pDisable = true
            mouseClick(box, p.x, p.y)
            var envelope = findChild(box, "groupBoxEnvelope")
            mouseClick(envelope)
            compare(order, [])
        }

        function test_groupBoxEnvelope() {
            var box = createTemporaryObject(groupBoxComponent, mRoot, { selections: ["One"] })
            var clicks = spy(box, "dropDownClicked")
            var list = findChild(box, "groupBoxList")
            mouseClick(findChild(box, "groupBoxEnvelope"))
            compare(clicks.count, 1)
            verify(!list.visible)
            // Rows of an item model are shown by their display role.
            var model = Qt.createQmlObject('import QtQuick 2.5; ListModel { ListElement { display: "Row A" } ListElement { display: "Row B" } }', box)
            box.selections = model
            box.pListviewVisibility = true
            var selected = spy(box, "itemSelected")
            var p = rowCentre(box, 1)
            mouseClick(box, p.x, p.y)
            compare(selected.count, 1)
            compare(selected.signalArguments[0][0], "Row B")
        }

        function test_sliderValueContract() {
            var slider = createTemporaryObject(sliderComponent, mRoot,
                                               { pLowerLimitValue: -60, pUpperLimitValue: 0, pInitialValue: -30 })
            var updates = spy(slider, "updateValue")
            compare(slider.pValue, -30)
            compare(updates.count, 0, "no update for the value the control starts with")

            // Disabled: the user cannot move it, but a new initial value still reports.
            mouseClick(slider, slider.width * 0.9, slider.height / 2)
            compare(slider.pValue, -30)
            compare(updates.count, 0)
            slider.pInitialValue = -12
            compare(slider.pValue, -12)
            compare(updates.count, 1)
            compare(updates.signalArguments[0][0], -12)

            slider.pActive = true
            mouseClick(slider, slider.width - 1, slider.height / 2)
            fuzzyCompare(slider.pValue, 0, 0.5)
            compare(updates.count, 2)
        }

        function test_sliderRangeArrivingLate() {
            // The page may hand over the value before the range: the value must survive.
            var slider = createTemporaryObject(sliderComponent, mRoot, { pInitialValue: -20 })
            slider.pLowerLimitValue = -60
            slider.pUpperLimitValue = 0
            compare(slider.pValue, -20)
        }

        function test_verticalSliderDirection() {
            var slider = createTemporaryObject(ioSliderComponent, mRoot,
                                               { pLowerLimitValue: -60, pUpperLimitValue: 0, pInitialValue: -30, pActive: true })
            var inner = findChild(slider, "slider")
            var handle = inner.handle
            var handleTop = handle.mapToItem(slider, 0, 0).y
            var handleBottom = handle.mapToItem(slider, handle.width, handle.height).y
            var centre = (handleTop + handleBottom) / 2
            fuzzyCompare(centre, slider.height / 2, 1.5)
            // The upper limit is at the top.
            mouseClick(slider, slider.width / 2, globalSizes.pSizeNine + 1)
            verify(slider.pValue > -2, "value " + slider.pValue)
            mouseClick(slider, slider.width / 2, slider.height - globalSizes.pSizeNine - 1)
            verify(slider.pValue < -58, "value " + slider.pValue)
        }

        function test_slaveLinkedMoves() {
            var strip = createTemporaryObject(slaveComponent, mRoot, {
                pLeftLower: -60, pLeftUpper: 0, pRightLower: -60, pRightUpper: 0,
                pLeftChannelDefaultValue: -30, pRightChannelDefaultValue: -30, pCommon: true })
            var common = spy(strip, "commonUpdate")
            var left = spy(strip, "leftChannelUpdate")
            var right = spy(strip, "rightChannelUpdate")
            var leftSlider = findChild(strip, "leftSlider")
            var rightSlider = findChild(strip, "rightSlider")

            leftSlider.pValue = -10
            compare(common.count, 1, "one report for the pair")
            compare(common.signalArguments[0][0], -10)
            compare(rightSlider.pValue, -10)
            compare(left.count + right.count, 0)

            strip.pCommon = false
            rightSlider.pValue = -40
            compare(right.count, 1)
            compare(right.signalArguments[0][0], -40)
            compare(leftSlider.pValue, -10)
            compare(common.count, 1)
        }

        function test_slaveLinkClick() {
            var strip = createTemporaryObject(slaveComponent, mRoot, {
                pLeftLower: -60, pLeftUpper: 0, pRightLower: -60, pRightUpper: 0,
                pLeftChannelDefaultValue: -10, pRightChannelDefaultValue: -30 })
            // The page's view model links the pair in answer to detached().
            strip.detached.connect(function() { strip.pCommon = !strip.pCommon })
            var detached = spy(strip, "detached")
            var common = spy(strip, "commonUpdate")
            var link = findChild(strip, "linkImage")

            mouseClick(link)
            compare(detached.count, 1)
            verify(strip.pCommon)
            compare(common.count, 1)
            compare(common.signalArguments[0][0], -20)
            compare(findChild(strip, "leftSlider").pValue, -20)
            compare(findChild(strip, "rightSlider").pValue, -20)

            // Unlinking moves nothing.
            mouseClick(link)
            compare(detached.count, 2)
            compare(common.count, 1)

            // Muted: the link does not react, the mute button reports and leaves pToggle alone.
            strip.pToggle = false
            mouseClick(link)
            compare(detached.count, 2)
            var muted = spy(strip, "muted")
            mouseClick(findChild(strip, "muteImage"))
            compare(muted.count, 1)
            verify(!strip.pToggle)
        }

        function test_masterStrip() {
            var strip = createTemporaryObject(masterComponent, mRoot, { pLower: -60, pUpper: 0, pDefaultValue: -12 })
            var updates = spy(strip, "updateTriggered")
            var slider = findChild(strip, "masterSlider")
            compare(slider.pValue, -12)
            verify(slider.pActive)
            strip.pDefaultValue = -20
            compare(updates.count, 1)
            compare(updates.signalArguments[0][0], -20)
            strip.pToggle = false
            verify(!slider.pActive)
        }

        function test_duckerSliders_data() {
            return [
                { tag: "release 0", release: 0, text: "0ms" },
                { tag: "release 0.05", release: 0.05, text: "050ms" },
                { tag: "release 0.25", release: 0.25, text: "250ms" },
                { tag: "release 1", release: 1, text: "1.00s" },
                { tag: "release 2.5", release: 2.5, text: "2.50s" }
            ]
        }

        function test_duckerSliders(data) {
            var model = createTemporaryObject(duckerModelComponent, mRoot)
            var item = createTemporaryObject(keySlidersComponent, mRoot,
                                             { pKeySliderValueItemViewModel: model, pKeySliderValueItemActive: true })
            // A start value of 0 is the release slider's own: the first change reports.
            model.releaseTime = data.release
            var release = findChild(item, "releaseRow")
            compare(release.pReadingLabelValue, data.text)
            compare(model.calls, data.release === 0 ? [] : ["release " + data.release])
        }

        function test_duckerThresholdAndRange() {
            var model = createTemporaryObject(duckerModelComponent, mRoot)
            var item = createTemporaryObject(keySlidersComponent, mRoot, { pKeySliderValueItemViewModel: model })
            model.sensitivity = -30
            model.duckerRange = 45
            compare(findChild(item, "thresholdRow").pReadingLabelValue, "-30dB")
            compare(findChild(item, "duckRangeRow").pReadingLabelValue, "45dB")
            compare(model.calls, ["sensitivity -30", "range 45"])
            model.sensitivity = -0.2
            compare(findChild(item, "thresholdRow").pReadingLabelValue, "0dB")
        }

        function test_selectionItem() {
            var model = createTemporaryObject(duckerModelComponent, mRoot)
            var item = createTemporaryObject(selectionComponent, mRoot, { pSelectionItemViewModel: model })
            var repeater = findChild(item, "selectionRepeater")
            var second = repeater.itemAt(1)
            verify(second.pActive, "input 2 is checked in the model")
            verify(!repeater.itemAt(0).pActive)
            compare(second.pActiveImageSource, globalImagePaths.pInactiveCheckButtonImage)
            verify(!repeater.itemAt(2).visible)
            verify(!repeater.itemAt(3).visible)

            mouseClick(second)
            compare(model.calls, [], "no reaction while the ducker is off")

            item.pSelectionActive = true
            item.pInput3Visibility = true
            verify(repeater.itemAt(2).visible)
            compare(second.pActiveImageSource, globalImagePaths.pActiveCheckButtonImage)
            mouseClick(second)
            mouseClick(repeater.itemAt(2))
            compare(model.calls, ["channel 2", "channel 3"])
            model.input1Checked = true
            verify(repeater.itemAt(0).pActive)
        }

        function test_radioSelection() {
            var radio = createTemporaryObject(radioComponent, mRoot)
            var inputs = spy(radio, "inputClicked")
            var outputs = spy(radio, "outputClicked")
            verify(radio.pSelected)
            mouseClick(radio, radio.width * 0.75, radio.height / 2)
            compare(outputs.count, 1)
            verify(!radio.pSelected)
            mouseClick(radio, radio.width * 0.25, radio.height / 2)
            compare(inputs.count, 1)
            verify(radio.pSelected)
        }

        function test_imageLabel() {
            var label = createTemporaryObject(imageLabelComponent, mRoot, {
                pActiveImageSource: globalImagePaths.pOnButtonImage, pInactiveImageSource: globalImagePaths.pOffButtonImage,
                pActiveText: "ON", pInactiveText: "OFF" })
            var clicks = spy(label, "imageLabelClicked")
            mouseClick(label)
            compare(clicks.count, 1)
            label.pClickable = false
            mouseClick(label)
            compare(clicks.count, 1)
            // The images are drawn at twice their size: at scale 1 the switch is 36 x 20.
            var image = findChild(label, "image")
            compare(image.status, Image.Ready)
            compare(image.width, 36)
            compare(image.height, 20)
        }

        function test_ribbonClose() {
            var ribbon = createTemporaryObject(ribbonComponent, mRoot)
            var closes = spy(ribbon, "close")
            mouseClick(ribbon, 200, ribbon.height / 2)
            compare(closes.count, 0)
            mouseClick(ribbon, ribbon.width - 20, ribbon.height / 2)
            compare(closes.count, 1)
            compare(findChild(ribbon, "closeArea").width, 60)
        }

        function test_groupLabelsTakeNumbers() {
            // Info values arrive as numbers as well as text.
            var row = createTemporaryObject(groupLabelsComponent, mRoot, { pKey: "Clients", pValue: 2 })
            compare(row.pValue, "2")
        }
    }

    TestCase {
        name: "Sizes"
        when: windowShown

        function cleanup() {
            mDisplayScalingFactorCalculator.scalingFactor = 1.0
            compare(testProbe.takeWarnings(), "", "QML warnings")
        }

        function test_scaleOneAndAHalf() {
            mDisplayScalingFactorCalculator.scalingFactor = 1.5
            compare(globalSizes.pSizeTen, 15)
            compare(globalSizes.pIOBoxHeight, 492)
            compare(globalSizes.pSizeEightySix, 129)
            compare(globalSizes.pTopBarSize, 105)
            compare(globalSizes.pErrorFontSize, 14)
            compare(globalSizes.pMenuFontSize, 24)
        }

        function test_scaleThree() {
            mDisplayScalingFactorCalculator.scalingFactor = 3.0
            compare(globalSizes.pSizeFourty, 120)
            compare(globalSizes.pGBBorderRectWidth, 876)
            compare(globalSizes.pIOReadingFontSize, 7)
        }

        function test_imagesAndFontsLoad() {
            var urls = []
            for (var key in globalImagePaths) {
                if (key.indexOf("p") === 0 && typeof globalImagePaths[key] === "string")
                    urls.push(globalImagePaths[key])
            }
            compare(urls.length, 19)
            for (var i = 0; i < urls.length; ++i) {
                var image = Qt.createQmlObject('import QtQuick 2.5; Image { source: "' + urls[i] + '" }', mRoot)
                compare(image.status, Image.Ready, urls[i])
                verify(image.implicitWidth > 0, urls[i])
                image.destroy()
            }
            compare(globalFonts.pLabelFont.family, "Open Sans")
            verify(globalFonts.pMenuFont.family.indexOf("Open Sans") === 0, globalFonts.pMenuFont.family)
            compare(globalFonts.pLabelFont.pointSize, 16)
        }
    }
}
