import QtQuick 2.5

QtObject {
    property string pMenuDown: "qrc:/Images/Images/menu-down.png"
    property string pDownArrowImage: "qrc:/Images/Images/Dropdown_Arrow.png"
    property string pLogoImage: "qrc:/Images/Images/Calder.png"
    property string pCloseButtonImage: "qrc:/Images/Images/Close_Button.png"
    property string pOnButtonImage: "qrc:/Images/Images/ON_Button.png"
    property string pOffButtonImage: "qrc:/Images/Images/Off_Button.png"
    property string pActiveCheckButtonImage: "qrc:/Images/Images/Checked.png"
    property string pActiveUncheckButtonImage: "qrc:/Images/Images/Unchecked.png"
    property string pInactiveCheckButtonImage: "qrc:/Images/Images/Checked_Off_Mode.png"
    property string pInactiveUncheckButtonImage: "qrc:/Images/Images/Unchecked_Off_Mode.png"
    property string pInfoIconImage: "qrc:/Images/Images/Info_Icon.png"
    property string pRadioSelectedImage: "qrc:/Images/Images/Radio_Button_Selected.svg"
    property string pRadioUnselectedImage: "qrc:/Images/Images/Radio_Button_Not_Selected.svg"
    property string pSliderHandleImage: "qrc:/Images/Images/Handle_1x.png"
    property string pUnMuteImage: "qrc:/Images/Images/Audio_On_Icon.svg"
    property string pMuteImage: "qrc:/Images/Images/Audio_Mute_Icon.svg"
    property string pAttachedImage: "qrc:/Images/Images/Linked_Icon.svg"
    property string pDetachedImage: "qrc:/Images/Images/Not_Linked_Icon.svg"
    property string pTrayIconImage: "qrc:/Images/Images/calder-0.png"
}
