import QtQuick 2.5
import QtQuick.Controls 2.2
import "SliderKeys.js" as SliderKeys

// Horizontal slider with end labels. updateValue reports what a person does (a drag, a click, a
// key); a new pInitialValue, a new range or a clamp into it moves the slider silently, so a value
// that comes from the device or the store is never sent back to it. Keys: the arrows step, Page
// Up and Page Down take big steps, Home and End go to the ends; disabled, it takes no focus.
Item {
    id: mCustomSlider

    property real pLowerLimitValue: 0
    property real pUpperLimitValue: 1
    property string pLowerLimit
    property string pUpperLimit
    property real pInitialValue: 0
    property bool pActive: false
    property alias pValue: mSlider.value
    property real pSliderHeight: height
    // The smallest change a person can make (0: continuous); arrow keys move by one step.
    property real pStepSize: 0
    property string pAccessibleName
    property string pAccessibleDescription

    signal updateValue(var sliderValue)

    // The value is set imperatively, not bound, so that writing pValue from outside (a linked
    // slider following its partner) does not cut it off from later initial values.
    function applyInitialValue() {
        mSlider.value = pInitialValue
    }

    implicitWidth: globalSizes.pSliderWidth
    implicitHeight: globalSizes.pSizeFifty

    onPInitialValueChanged: applyInitialValue()

    Component.onCompleted: applyInitialValue()

    Slider {
        id: mSlider
        objectName: "slider"
        anchors.fill: parent
        from: mCustomSlider.pLowerLimitValue
        to: mCustomSlider.pUpperLimitValue
        enabled: mCustomSlider.pActive
        stepSize: mCustomSlider.pStepSize
        snapMode: mCustomSlider.pStepSize > 0 ? Slider.SnapAlways : Slider.NoSnap
        padding: 0
        leftPadding: mHandle.width / 2
        rightPadding: mHandle.width / 2

        // A value clamped by a range that arrived later is restored once the range allows it
        // (here, not on the limit properties: the slider's own range must be updated first).
        onFromChanged: mCustomSlider.applyInitialValue()
        onToChanged: mCustomSlider.applyInitialValue()
        onMoved: mCustomSlider.updateValue(value)

        // Assistive technology reads a slider's range from these two names.
        readonly property real minimumValue: Math.min(from, to)
        readonly property real maximumValue: Math.max(from, to)

        Accessible.name: mCustomSlider.pAccessibleName
        Accessible.description: mCustomSlider.pAccessibleDescription
        Keys.onPressed: SliderKeys.handle(event, mSlider)

        background: Rectangle {
            id: mTrack
            x: mSlider.leftPadding - mHandle.width / 2
            y: mSlider.topPadding + mSlider.availableHeight / 2 - height / 2
            implicitWidth: globalSizes.pSliderWidth
            implicitHeight: globalSizes.pSizeFive
            width: mSlider.width
            height: implicitHeight
            radius: 3.5
            color: mCustomSlider.pActive ? "#E7E7E7" : "#DADADA"

            Rectangle {
                id: mFilledTrack
                width: mHandle.x + mHandle.width / 2
                height: parent.height
                radius: parent.radius
                color: mCustomSlider.pActive ? "#0095D3" : "#909090"
            }

            Text {
                id: mLowerLabel
                anchors.left: parent.left
                y: -globalSizes.pSizeEighteen
                text: mCustomSlider.pLowerLimit
                font.family: "Arial"
                font.pixelSize: globalSizes.pSliderLabel
                color: globalColors.pSliderLabelColor
                opacity: 0.5
            }

            Text {
                id: mUpperLabel
                anchors.right: parent.right
                y: -globalSizes.pSizeEighteen
                text: mCustomSlider.pUpperLimit
                font.family: "Arial"
                font.pixelSize: globalSizes.pSliderLabel
                color: globalColors.pSliderLabelColor
                opacity: 0.5
            }
        }

        handle: Rectangle {
            id: mHandle
            x: mSlider.leftPadding + mSlider.visualPosition * mSlider.availableWidth - width / 2
            y: mSlider.topPadding + mSlider.availableHeight / 2 - height / 2
            implicitWidth: globalSizes.pSizeEighteen
            implicitHeight: globalSizes.pSizeEighteen
            radius: globalSizes.pSizeNine
            color: mSlider.pressed ? "#f0f0f0" : "#f6f6f6"
            border.color: "#E7E8E9"
            gradient: Gradient {
                GradientStop { position: 0.0; color: mSlider.pressed ? "#f0f0f0" : "#FFFFFF" }
                GradientStop { position: 1.0; color: "#EFF1F4" }
            }
        }
    }
}
