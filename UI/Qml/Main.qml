import QtQuick 2.5
import QtQuick.Window 2.2
import DisplayScalingFactorCalculator 1.0
import "Shell"
import "Strings"

Item {
    id: root

    width: 800 * mDisplayScalingFactorCalculator.scalingFactor
    height: 500 * mDisplayScalingFactorCalculator.scalingFactor

    DisplayScalingFactorCalculator {
        id: mDisplayScalingFactorCalculator
    }

    // Every other file reaches these through the ids below.
    Colors {
        id: globalColors
    }
    Sizes {
        id: globalSizes
    }
    Strings {
        id: globalStrings
    }
    ImagePaths {
        id: globalImagePaths
    }
    Fonts {
        id: globalFonts
    }
    FocusFrame {
        id: globalFocusFrame
    }

    Shell {
        id: mShell
        anchors.fill: parent
        visible: Qt.platform.os !== "winrt"
    }
}
