import QtQuick 2.5
import QtQuick.Controls 2.2
import "SliderKeys.js" as SliderKeys

// Vertical volume slider, upper limit at the top, moved in whole dB. Same value contract as
// CustomSlider: updateValue reports a person's drag, click or key only; the same keys.
Item {
    id: mInputOutputSlider

    property real pLowerLimitValue: 0
    property real pUpperLimitValue: 1
    property string pLowerLimit
    property string pUpperLimit
    property real pInitialValue: 0
    property bool pActive: false
    property alias pValue: mSlider.value
    property real pSliderHeight: height
    property bool pUpperLabel: false
    property bool pLowerLabel: false
    property string pAccessibleName
    // The value to read out: the device's own, also where the range cannot hold it (the handle
    // then rests at the end), or the one a person moved to.
    readonly property alias pShownValue: mPrivate.shownValue

    signal updateValue(var sliderValue)

    // Puts the slider at `value` without reporting it.
    function show(value) {
        mSlider.value = value
        mPrivate.shownValue = value
    }

    function applyInitialValue() {
        show(pInitialValue)
    }

    QtObject {
        id: mPrivate
        property real shownValue: 0
    }

    // The track is pIOSliderWidth long; the handle may reach half its size beyond either end.
    implicitWidth: globalSizes.pSizeEighteen
    implicitHeight: globalSizes.pIOSliderWidth + globalSizes.pSizeEighteen

    onPInitialValueChanged: applyInitialValue()

    Component.onCompleted: applyInitialValue()

    Slider {
        id: mSlider
        objectName: "slider"
        anchors.fill: parent
        orientation: Qt.Vertical
        // Running from the upper to the lower limit and turned over puts the upper limit on top.
        from: mInputOutputSlider.pUpperLimitValue
        to: mInputOutputSlider.pLowerLimitValue
        rotation: 180
        enabled: mInputOutputSlider.pActive
        stepSize: 1
        snapMode: Slider.SnapAlways
        padding: 0
        topPadding: mHandle.height / 2
        bottomPadding: mHandle.height / 2

        // A value clamped by a range that arrived later is restored once the range allows it
        // (here, not on the limit properties: the slider's own range must be updated first).
        onFromChanged: mInputOutputSlider.applyInitialValue()
        onToChanged: mInputOutputSlider.applyInitialValue()
        onMoved: {
            mPrivate.shownValue = value
            mInputOutputSlider.updateValue(value)
        }

        readonly property real minimumValue: Math.min(from, to)
        readonly property real maximumValue: Math.max(from, to)

        Accessible.name: mInputOutputSlider.pAccessibleName
        Keys.onPressed: SliderKeys.handle(event, mSlider)

        background: Rectangle {
            id: mTrack
            x: (mSlider.width - width) / 2
            y: mSlider.topPadding
            implicitWidth: 5
            implicitHeight: globalSizes.pIOSliderWidth
            width: implicitWidth
            height: mSlider.availableHeight
            radius: 2
            color: mInputOutputSlider.pActive ? "#D5D5D5" : "#DADADA"

            // Before turning over, the lower limit is at the top: fill from there to the handle.
            Rectangle {
                id: mFilledTrack
                width: parent.width
                height: mSlider.visualPosition * parent.height
                radius: parent.radius
                color: mInputOutputSlider.pActive ? "#0095D3" : "#D5D5D5"
            }
        }

        handle: Rectangle {
            id: mHandle
            x: (mSlider.width - width) / 2
            y: mSlider.topPadding + mSlider.visualPosition * mSlider.availableHeight - height / 2
            implicitWidth: globalSizes.pSizeEighteen
            implicitHeight: globalSizes.pSizeEighteen
            radius: globalSizes.pSizeNine
            color: mSlider.pressed ? "#f0f0f0" : "#f6f6f6"
            border.color: "#E7E8E9"
            // The gradient is drawn turned over with the slider, so it runs bottom to top here.
            gradient: Gradient {
                GradientStop { position: 0.0; color: "#EFF1F4" }
                GradientStop { position: 1.0; color: mSlider.pressed ? "#f0f0f0" : "#FFFFFF" }
            }
        }
    }

    Text {
        id: mUpperLabelText
        visible: mInputOutputSlider.pUpperLabel
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.top
        text: mInputOutputSlider.pUpperLimit
        font.family: "Arial"
        font.pixelSize: globalSizes.pSliderLabel
        color: globalColors.pSliderLabelColor
        opacity: 0.5
    }

    Text {
        id: mLowerLabelText
        visible: mInputOutputSlider.pLowerLabel
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: parent.bottom
        text: mInputOutputSlider.pLowerLimit
        font.family: "Arial"
        font.pixelSize: globalSizes.pSliderLabel
        color: globalColors.pSliderLabelColor
        opacity: 0.5
    }
}
