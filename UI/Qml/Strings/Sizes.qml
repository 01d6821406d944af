import QtQuick 2.5

Item {
    // Every length follows the display's scale; font sizes are fixed pixel/point sizes.
    property real scaling: mDisplayScalingFactorCalculator.scalingFactor
    property real fontScaling: mDisplayScalingFactorCalculator.fontScalingFactor

    property int pSizeThree: 3 * scaling
    property int pSizeFour: 4 * scaling
    property int pSizeFive: 5 * scaling
    property int pSizeSix: 6 * scaling
    property int pSizeSeven: 7 * scaling
    property int pSizeEight: 8 * scaling
    property int pSizeNine: 9 * scaling
    property int pSizeTen: 10 * scaling
    property int pSizeEleven: 11 * scaling
    property int pSizeTwelve: 12 * scaling
    property int pSizeFourteen: 14 * scaling
    property int pSizeFifteen: 15 * scaling
    property int pSizeSixteen: 16 * scaling
    property int pSizeSeventeen: 17 * scaling
    property int pSizeEighteen: 18 * scaling
    property int pSizeNineteen: 19 * scaling
    property int pSizeTwenty: 20 * scaling
    property int pSizeTwentyOne: 21 * scaling
    property int pSizeTwentyTwo: 22 * scaling
    property int pSizeTwentyThree: 23 * scaling
    property int pSizeTwentyFour: 24 * scaling
    property int pSizeTwentySix: 26 * scaling
    property int pSizeTwentySeven: 27 * scaling
    property int pSizeThirty: 30 * scaling
    property int pSizeThirtyFour: 34 * scaling
    property int pSizeThirtyFive: 35 * scaling
    property int pSizeThirtySix: 36 * scaling
    property int pSizeThirtyEight: 38 * scaling
    property int pSizeThirtyNine: 39 * scaling
    property int pSizeFourty: 40 * scaling
    property int pSizeFourtyFive: 45 * scaling
    property int pSizeFourtySeven: 47 * scaling
    property int pSizeFifty: 50 * scaling
    property int pSizeFiftyFive: 55 * scaling
    property int pSizeSixty: 60 * scaling
    property int pSizeEighty: 80 * scaling
    property int pSizeEightyThree: 83 * scaling
    property int pSizeEightyFive: 85 * scaling
    property int pSizeEightySix: 86 * scaling
    property int pSizeNinety: 90 * scaling

    property int pContentRow: 70 * scaling
    property int pLabelWidth: 290 * scaling
    property int pGBBorderRectWidth: 292 * scaling
    property int pLabelSecondaryWidth: 220 * scaling
    property int pGBSecondaryBorderRectWidth: 240 * scaling
    property int pLabelTertiaryWidth: 100 * scaling
    property int pClientInfoGroupLabelBox: 108 * scaling
    property int pSliderWidth: 169 * scaling
    property int pIOSliderWidth: 195 * scaling
    property int pClientInfoGroupLabelValueMargin: 246 * scaling
    property int pInfoGroupLabelValueMargin: 196 * scaling
    property int pInfoBorderRectHeight: 180 * scaling
    property int pInputFieldWidth: 350 * scaling
    property int pClientInfoGroupLabelWidth: 313 * scaling
    property int pKeySliderValueItemWidth: 319 * scaling
    property int pTransferButtonWidth: 450 * scaling
    property int pPopupWidth: 700 * scaling
    property int pPopupHeight: 500 * scaling
    property int pPortSelectionDropDownWidth: 500 * scaling
    property int pInputFieldSecondaryWidth: 115 * scaling
    property int pInputFieldTertiaryWidth: 115 * scaling
    property int pMeterItemHeight: 117 * scaling
    property int pMeterHeight: 128 * scaling
    property int pToolTipWidth: 627 * scaling
    property int pToolTipTopMargin: 175 * scaling
    property int pDisplayPowerLabelWidth: 165 * scaling
    property int pLoadingFontSize: 150 * scaling
    property int pSelectionRectWidth: 104 * scaling
    property int pErrorIconWidth: 150 * scaling
    property int pRadioBorderWidth: 186 * scaling
    property int pRadioBorderHeight: 33 * scaling
    property int pIOBoxWidth: 89 * scaling
    property int pIOBoxHeight: 328 * scaling
    property int pIOBoxMasterUnderLineGap: 237 * scaling
    property int pIOBoxSlaveUnderLineGap: 223 * scaling
    property int pSlaveListViewWidth: 650 * scaling
    property int pErrorListHeight: 100 * scaling

    property real pTopBarSize: 70 * scaling

    property real pMenuFontSize: 24
    property real pLabelFontSize: 16
    property real pErrorFontSize: 14
    property real pSmallGroupLabel: 11
    property real pLargeGroupLabel: 13
    property real pInfoTextSize: 14
    property real pReadingFont: 12
    property real pSliderLabel: 10
    property real pIOReadingFontSize: 7
    property real pHeaderLabelFontSize: 18
}
