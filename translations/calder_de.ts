<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>AsioInstanceRecord</name>
    <message>
        <source>%1 samples</source>
        <extracomment>A buffer size. The panel reads the number back: keep %1 followed by a space.</extracomment>
        <translation>%1 Samples</translation>
    </message>
</context>
<context>
    <name>AudioRoutingMasterView</name>
    <message>
        <source>Inputs 1+2</source>
        <translation>Eingänge 1+2</translation>
    </message>
    <message>
        <source>Inputs 3+4</source>
        <translation>Eingänge 3+4</translation>
    </message>
</context>
<context>
    <name>BufferSettingsMasterView</name>
    <message>
        <source>Inputs</source>
        <translation>Eingänge</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Ausgang</translation>
    </message>
    <message>
        <source>ASIO Buffer Size</source>
        <translation>ASIO-Puffergröße</translation>
    </message>
    <message>
        <source>Safe Mode</source>
        <translation>Sicherer Modus</translation>
    </message>
    <message>
        <source>WARNING: The selected ASIO buffer size is too small for the current USB streaming mode and the current
sampling rate. To avoid audio distortions, you should select a larger ASIO buffer size.</source>
        <translation>WARNUNG: Die gewählte ASIO-Puffergröße ist für den aktuellen USB-Streaming-Modus und die aktuelle
Abtastrate zu klein. Wählen Sie eine größere ASIO-Puffergröße, um Verzerrungen zu vermeiden.</translation>
    </message>
</context>
<context>
    <name>ChannelStripList</name>
    <message>
        <source>Channels</source>
        <translation>Kanäle</translation>
    </message>
</context>
<context>
    <name>ClientInfoMasterView</name>
    <message>
        <source>USB Streaming Mode</source>
        <translation>USB-Streaming-Modus</translation>
    </message>
    <message>
        <source>Streaming State</source>
        <translation>Streaming-Status</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Gestoppt</translation>
    </message>
    <message>
        <source>Number of Active WDM clients</source>
        <translation>Anzahl aktiver WDM-Clients</translation>
    </message>
    <message>
        <source>Number of Active ASIO clients</source>
        <translation>Anzahl aktiver ASIO-Clients</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Control panel for Calder USB mixers. It lives in the system tray; starting it again shows the running copy.</source>
        <translation>Bedienfeld für Calder-USB-Mischpulte. Es bleibt im Infobereich der Leiste; ein erneuter Start zeigt das laufende Programm.</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>Unerwartetes Argument „%1“.</translation>
    </message>
    <message>
        <source>Try &apos;%1 --help&apos;.</source>
        <translation>„%1 --help“ gibt weitere Auskunft.</translation>
    </message>
</context>
<context>
    <name>DuckerMasterView</name>
    <message>
        <source>ON</source>
        <translation>EIN</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>AUS</translation>
    </message>
    <message>
        <source>Ducker</source>
        <translation>Ducker</translation>
    </message>
</context>
<context>
    <name>FormatMasterView</name>
    <message>
        <source>Inputs</source>
        <translation>Eingänge</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Ausgang</translation>
    </message>
    <message>
        <source>USB Streaming Mode</source>
        <translation>USB-Streaming-Modus</translation>
    </message>
    <message>
        <source>ASIO Buffer Size</source>
        <translation>ASIO-Puffergröße</translation>
    </message>
</context>
<context>
    <name>InfoMasterView</name>
    <message>
        <source>USB Streaming Mode</source>
        <translation>USB-Streaming-Modus</translation>
    </message>
    <message>
        <source>Streaming State</source>
        <translation>Streaming-Status</translation>
    </message>
    <message>
        <source>Number of Active WDM clients</source>
        <translation>Anzahl aktiver WDM-Clients</translation>
    </message>
    <message>
        <source>Number of Active ASIO clients</source>
        <translation>Anzahl aktiver ASIO-Clients</translation>
    </message>
    <message>
        <source>Product Info</source>
        <translation>Produktinfo</translation>
    </message>
    <message>
        <source>Manufacturer</source>
        <translation>Hersteller</translation>
    </message>
    <message>
        <source>Product</source>
        <translation>Produkt</translation>
    </message>
    <message>
        <source>VID / PID</source>
        <translation>VID / PID</translation>
    </message>
    <message>
        <source>Revision</source>
        <translation>Revision</translation>
    </message>
    <message>
        <source>v %1</source>
        <extracomment>The device revision, e.g. &quot;v 1.00&quot;.</extracomment>
        <translation>v %1</translation>
    </message>
    <message>
        <source>Serial No</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Driver Info</source>
        <translation>Treiberinfo</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>%1 Build</source>
        <extracomment>%1 is the driver build type, &quot;Debug&quot; or &quot;Release&quot;.</extracomment>
        <translation>%1-Build</translation>
    </message>
</context>
<context>
    <name>KeySliderValueItem</name>
    <message>
        <source>Threshold</source>
        <translation>Schwelle</translation>
    </message>
    <message>
        <source>Duck range</source>
        <translation>Absenkung</translation>
    </message>
    <message>
        <source>Release</source>
        <extracomment>The time the ducker takes to let the level back up.</extracomment>
        <translation>Rückkehr</translation>
    </message>
</context>
<context>
    <name>MainTopBar</name>
    <message>
        <source>Pages</source>
        <translation>Seiten</translation>
    </message>
</context>
<context>
    <name>MainTopBarVM</name>
    <message>
        <source>Audio Routing</source>
        <translation>Audio-Routing</translation>
    </message>
    <message>
        <source>Ducker</source>
        <translation>Ducker</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Buffer Settings</source>
        <translation>Puffereinstellungen</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
</context>
<context>
    <name>MasterVolume</name>
    <message>
        <source>Master</source>
        <translation>Master</translation>
    </message>
    <message>
        <source>Mute %1</source>
        <translation>%1 stummschalten</translation>
    </message>
</context>
<context>
    <name>MeterItem</name>
    <message>
        <source>Meter</source>
        <translation>Pegel</translation>
    </message>
</context>
<context>
    <name>MixerModels</name>
    <message>
        <source>Mic input 1 + Mono line input 2</source>
        <translation>Mikrofon 1 + Mono-Line 2</translation>
    </message>
    <message>
        <source>Stereo input 2+3</source>
        <translation>Stereo-Eingang 2+3</translation>
    </message>
    <message>
        <source>Stereo input 4+5</source>
        <translation>Stereo-Eingang 4+5</translation>
    </message>
    <message>
        <source>Mix L+R</source>
        <translation>Mix L+R</translation>
    </message>
    <message>
        <source>Mic input 1+2</source>
        <translation>Mikrofoneingang 1+2</translation>
    </message>
    <message>
        <source>Stereo input 3+4</source>
        <translation>Stereo-Eingang 3+4</translation>
    </message>
    <message>
        <source>Stereo input 5+6</source>
        <translation>Stereo-Eingang 5+6</translation>
    </message>
    <message>
        <source>Mic input 3+4</source>
        <translation>Mikrofoneingang 3+4</translation>
    </message>
    <message>
        <source>Stereo input 7+8</source>
        <translation>Stereo-Eingang 7+8</translation>
    </message>
</context>
<context>
    <name>RadioSelectionLabel</name>
    <message>
        <source>Input</source>
        <translation>Eingang</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Ausgang</translation>
    </message>
</context>
<context>
    <name>SelectionItem</name>
    <message>
        <source>Selection</source>
        <translation>Auslöser</translation>
    </message>
    <message>
        <source>Input %1</source>
        <translation>Eingang %1</translation>
    </message>
</context>
<context>
    <name>SlaveVolume</name>
    <message>
        <source>Link %1</source>
        <translation>%1 koppeln</translation>
    </message>
    <message>
        <source>Mute %1</source>
        <translation>%1 stummschalten</translation>
    </message>
</context>
<context>
    <name>StatusMasterView</name>
    <message>
        <source>USB Audio Device</source>
        <translation>USB-Audiogerät</translation>
    </message>
    <message>
        <source>Current Sample Rate</source>
        <translation>Aktuelle Abtastrate</translation>
    </message>
</context>
<context>
    <name>StreamFormatRecord</name>
    <message>
        <source>%1 channels, %2 bits</source>
        <translation>%1 Kanäle, %2 Bit</translation>
    </message>
</context>
<context>
    <name>ToolTip</name>
    <message>
        <source>Build:%1(FW&gt;=%2): ID:%3, MUX0:%4, MUX1:%5, ADC:%6, FX:%7. Tempo:%8 ms.%9</source>
        <extracomment>The mixer&apos;s debug status; the field names are the firmware&apos;s.</extracomment>
        <translation>Build:%1(FW&gt;=%2): ID:%3, MUX0:%4, MUX1:%5, ADC:%6, FX:%7. Tempo:%8 ms.%9</translation>
    </message>
</context>
<context>
    <name>TopRibbon</name>
    <message>
        <source>Calder USB Audio Control Panel</source>
        <extracomment>The product&apos;s name, also the window&apos;s title and the menu entry&apos;s name.</extracomment>
        <translation>Calder USB Audio Control Panel</translation>
    </message>
    <message>
        <source>Hide to tray</source>
        <translation>Im Infobereich verbergen</translation>
    </message>
</context>
<context>
    <name>TrayIcon</name>
    <message>
        <source>&amp;Show</source>
        <translation>&amp;Anzeigen</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Calder USB Audio Control Panel</source>
        <extracomment>The product&apos;s name, also the window&apos;s title and the menu entry&apos;s name.</extracomment>
        <translation>Calder USB Audio Control Panel</translation>
    </message>
</context>
<context>
    <name>ViewModelTexts</name>
    <message>
        <source>Not Connected</source>
        <translation>Nicht verbunden</translation>
    </message>
    <message>
        <source>Please select a device</source>
        <translation>Bitte ein Gerät wählen</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Gestoppt</translation>
    </message>
    <message>
        <source>Debug</source>
        <extracomment>The driver&apos;s build type, shown as &quot;%1 Build&quot;.</extracomment>
        <translation>Debug</translation>
    </message>
    <message>
        <source>Release</source>
        <extracomment>The driver&apos;s build type, shown as &quot;%1 Build&quot;.</extracomment>
        <translation>Release</translation>
    </message>
</context>
<context>
    <name>VolumeMasterView</name>
    <message>
        <source>Channels</source>
        <translation>Kanäle</translation>
    </message>
</context>
</TS>
