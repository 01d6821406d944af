import QtQuick 2.5

// dB scale beside a vertical slider: one entry per step, a tick and a text every pDivisor steps.
Item {
    id: mIOReadingListView

    property bool pShowLeft: true
    property bool pHideText: false
    property int pMaximum: 0
    property real pConstant: 195
    property int pDivisor: pMaximum > 100 ? 20 : 10
    property real pSpacing

    implicitWidth: globalSizes.pSizeNine
    implicitHeight: globalSizes.pIOSliderWidth

    Column {
        id: mColumn
        objectName: "scaleColumn"
        width: parent.width
        // Entry i sits at i steps of pConstant / pMaximum, where the slider's handle stands for
        // -i dB, so the marks line up with the handle over the whole scale.
        spacing: mIOReadingListView.pMaximum > 0 ? mIOReadingListView.pConstant / mIOReadingListView.pMaximum - 1 : 0

        Repeater {
            id: mRepeater
            model: Math.max(0, mIOReadingListView.pMaximum)

            delegate: Item {
                id: mEntry

                property bool pMarked: index === 0 || index % mIOReadingListView.pDivisor === 0
                property string pText: index === 0 ? "0" : "-" + index

                width: mColumn.width
                height: 1

                Rectangle {
                    id: mTick
                    visible: mEntry.pMarked
                    anchors.left: mIOReadingListView.pShowLeft ? undefined : parent.left
                    anchors.right: mIOReadingListView.pShowLeft ? parent.right : undefined
                    width: globalSizes.pSizeNine
                    height: 1
                    color: globalColors.pIOBoxUnderLineColor
                }

                Text {
                    id: mMarkText
                    visible: mEntry.pMarked && !mIOReadingListView.pHideText
                    anchors.verticalCenter: mTick.verticalCenter
                    anchors.right: mIOReadingListView.pShowLeft ? mTick.left : undefined
                    anchors.left: mIOReadingListView.pShowLeft ? undefined : mTick.right
                    anchors.rightMargin: 2
                    anchors.leftMargin: 2
                    text: mEntry.pText
                    font.family: "Helvetica"
                    font.pixelSize: globalSizes.pIOReadingFontSize
                    color: globalColors.pIOLabelDisabledColor
                }
            }
        }
    }
}
