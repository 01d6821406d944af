import QtQuick 2.5

// dB scale beside a vertical slider whose track is as long as this item is high: the top end
// stands for pUpper, the bottom end for pLower. A mark at the top end reads the channel's own
// maximum ("+6" for +6 dB); below it a mark every pDivisor dB, down to just above pLower.
Item {
    id: mIOReadingListView

    property bool pShowLeft: true
    property bool pHideText: false
    property real pUpper: 0
    property real pLower: 0
    readonly property real pSpan: Math.abs(pUpper - pLower)
    property int pDivisor: pSpan > 100 ? 20 : 10
    // The dB values marked, top first.
    readonly property var pMarks: marks(pUpper, pLower, pDivisor)

    function marks(upper, lower, divisor) {
        var top = Math.round(upper)
        var result = [top]
        if (!(divisor > 0) || !isFinite(upper) || !isFinite(lower))
            return result
        // A wider range than any device has gets fewer marks, never thousands.
        while (Math.abs(upper - lower) / divisor > 20)
            divisor *= 2
        // From the first multiple of the division above the lower end up to the top; a mark
        // closer to the top one than half a division would print over it.
        for (var v = Math.floor((Math.min(upper, lower) + divisor) / divisor) * divisor;
             v <= Math.max(upper, lower); v += divisor) {
            if (Math.abs(v - top) >= divisor / 2)
                result.push(v)
        }
        return result.sort(function(a, b) { return upper >= lower ? b - a : a - b })
    }

    // Where `value` sits along the track: the slider's handle centre for the same value.
    function offset(value) {
        return pUpper === pLower ? 0 : (pUpper - value) / (pUpper - pLower) * height
    }

    function label(value) {
        return value > 0 ? "+" + value : String(value)
    }

    implicitWidth: globalSizes.pSizeNine
    implicitHeight: globalSizes.pIOSliderWidth

    Repeater {
        id: mRepeater
        model: mIOReadingListView.pMarks

        delegate: Item {
            id: mEntry

            property string pText: mIOReadingListView.label(modelData)

            width: mIOReadingListView.width
            height: 1
            y: mIOReadingListView.offset(modelData)

            Rectangle {
                id: mTick
                anchors.left: mIOReadingListView.pShowLeft ? undefined : parent.left
                anchors.right: mIOReadingListView.pShowLeft ? parent.right : undefined
                width: globalSizes.pSizeNine
                height: 1
                color: globalColors.pIOBoxUnderLineColor
            }

            Text {
                id: mMarkText
                visible: !mIOReadingListView.pHideText
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
