#pragma once
// Texts the view models share: page URLs, message-bus names and the words the pages show.
// (The routing labels are rows of the model table, device/MixerModels.)
#include <QCoreApplication>
#include <QString>

namespace ViewModelTexts {
// Page URLs.
inline const QString kStatusView = QStringLiteral("qrc:/UI/Qml/MasterViews/StatusMasterView.qml");
inline const QString kAudioRoutingView = QStringLiteral("qrc:/UI/Qml/MasterViews/AudioRoutingMasterView.qml");
inline const QString kDuckerView = QStringLiteral("qrc:/UI/Qml/MasterViews/DuckerMasterView.qml");
inline const QString kBufferSettingsView = QStringLiteral("qrc:/UI/Qml/MasterViews/BufferSettingsMasterView.qml");
inline const QString kInfoView = QStringLiteral("qrc:/UI/Qml/MasterViews/InfoMasterView.qml");
inline const QString kVolumeView = QStringLiteral("qrc:/UI/Qml/MasterViews/VolumeMasterView.qml");
inline const QString kFormatView = QStringLiteral("qrc:/UI/Qml/MasterViews/FormatMasterView.qml");
inline const QString kClientInfoView = QStringLiteral("qrc:/UI/Qml/MasterViews/ClientInfoMasterView.qml");

// Message bus names.
inline const QString kMsgConnected = QStringLiteral("Connected");
inline const QString kMsgResetDropDown = QStringLiteral("ResetDropDown");
inline const QString kMsgResetState = QStringLiteral("ResetState");
inline const QString kMsgRefreshSettings = QStringLiteral("RefreshSettings");
inline const QString kMsgClosePopup = QStringLiteral("ClosePopup");

// The words the pages show, in English; shown() gives them in the user's language.
// Status page.
inline const char *const kNotConnected = QT_TRANSLATE_NOOP("ViewModelTexts", "Not Connected");
inline const char *const kPleaseSelectDevice = QT_TRANSLATE_NOOP("ViewModelTexts", "Please select a device");

// Info pages.
inline const char *const kActive = QT_TRANSLATE_NOOP("ViewModelTexts", "Active");
inline const char *const kStopped = QT_TRANSLATE_NOOP("ViewModelTexts", "Stopped");
//: The driver's build type, shown as "%1 Build".
inline const char *const kDebug = QT_TRANSLATE_NOOP("ViewModelTexts", "Debug");
//: The driver's build type, shown as "%1 Build".
inline const char *const kRelease = QT_TRANSLATE_NOOP("ViewModelTexts", "Release");

inline QString shown(const char *text) { return QCoreApplication::translate("ViewModelTexts", text); }

// Declared; not read through this list.
inline const QString kMeter = QStringLiteral("Meter");
inline const QString kAuto = QStringLiteral("Auto");
inline const QString kExtraSafe = QStringLiteral("Extra Safe");
inline const QString kSafe = QStringLiteral("Safe");
inline const QString kStandard = QStringLiteral("Standard");
inline const QString kRelaxed = QStringLiteral("Relaxed");
inline const QString kReliable = QStringLiteral("Reliable");
inline const QString kLowLatency = QStringLiteral("Low Latency");
inline const QString kMinimumLatency = QStringLiteral("Minimum Latency");
} // namespace ViewModelTexts
