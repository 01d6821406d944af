import QtQuick 2.5

Item {
    // Font sizes come from globalSizes, which Main.qml creates beside this object.
    property font pMenuFont: Qt.font({ family: mLightFont.name, pointSize: globalSizes.pMenuFontSize })
    property font pLabelFont: Qt.font({ family: mRegularFont.name, pointSize: globalSizes.pLabelFontSize })
    property font pErrorFont: Qt.font({ family: mRegularFont.name, pointSize: globalSizes.pErrorFontSize })

    FontLoader { id: mRegularFont; source: "qrc:/Fonts/Fonts/OpenSans-Regular.ttf" }
    FontLoader { id: mLightFont; source: "qrc:/Fonts/Fonts/OpenSans-Light.ttf" }
    FontLoader { id: mIconFont; source: "qrc:/Fonts/Fonts/FontAwesome.otf" }
}
