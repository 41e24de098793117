<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="en_US">
    <context>
        <name>Button</name>
        <message>
            <location filename="../widgets/Button.cpp" line="+38" />
            <source>on</source>
            <translation>on</translation>
        </message>
        <message>
            <location line="+0" />
            <source>off</source>
            <translation>off</translation>
        </message>
    </context>
    <context>
        <name>GlobalHotkeys</name>
        <message>
            <location filename="../shortcuts/GlobalHotkeys.cpp" line="+104" />
            <source>in use by another program</source>
            <translation>in use by another program</translation>
        </message>
        <message>
            <location line="+2" />
            <source>refused by the system</source>
            <translation>refused by the system</translation>
        </message>
    </context>
    <context>
        <name>MainWindow</name>
        <message>
            <location filename="../app/MainWindow.cpp" line="+198" />
            <location line="+42" />
            <source>声卡未连接！</source>
            <translation>Sound card not connected!</translation>
        </message>
        <message>
            <location line="-115" />
            <source>设备初始化失败，请检查连接！</source>
            <translation>Device initialisation failed, please check the connection!</translation>
        </message>
    </context>
    <context>
        <name>Settings</name>
        <message>
            <location filename="../settings/Settings.cpp" line="+89" />
            <source>Settings</source>
            <translation>Settings</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Buffer Size</source>
            <translation>Buffer Size</translation>
        </message>
        <message>
            <location line="+3" />
            <source>USB Latency Size</source>
            <translation>USB Latency Size</translation>
        </message>
        <message>
            <location line="+3" />
            <source>Samplerate</source>
            <translation>Samplerate</translation>
        </message>
        <message>
            <location line="+3" />
            <source>Safe Mode</source>
            <translation>Safe Mode</translation>
        </message>
    </context>
    <context>
        <name>ShortcutsDialog</name>
        <message>
            <location filename="../shortcuts/ShortcutsDialog.cpp" line="+20" />
            <source>Shortcuts</source>
            <translation>Shortcuts</translation>
        </message>
        <message>
            <location line="+12" />
            <source>Keys that work whatever program has the focus.</source>
            <translation>Keys that work whatever program has the focus.</translation>
        </message>
        <message>
            <location line="+3" />
            <source>Global shortcuts are not available in this session.</source>
            <translation>Global shortcuts are not available in this session.</translation>
        </message>
        <message>
            <location line="+16" />
            <location line="+1" />
            <source>Close</source>
            <translation>Close</translation>
        </message>
        <message>
            <location line="+9" />
            <source>Speakers mute</source>
            <translation>Speakers mute</translation>
        </message>
        <message>
            <location line="+0" />
            <source>Speakers dim</source>
            <translation>Speakers dim</translation>
        </message>
        <message>
            <location line="+0" />
            <source>Headphones mute</source>
            <translation>Headphones mute</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphones dim</source>
            <translation>Headphones dim</translation>
        </message>
        <message>
            <location line="+0" />
            <source>Speakers level up</source>
            <translation>Speakers level up</translation>
        </message>
        <message>
            <location line="+0" />
            <source>Speakers level down</source>
            <translation>Speakers level down</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphones level up</source>
            <translation>Headphones level up</translation>
        </message>
        <message>
            <location line="+0" />
            <source>Headphones level down</source>
            <translation>Headphones level down</translation>
        </message>
        <message>
            <location line="+0" />
            <source>Open the main window</source>
            <translation>Open the main window</translation>
        </message>
        <message>
            <location line="+4" />
            <source>Load snapshot "%1"</source>
            <translation>Load snapshot "%1"</translation>
        </message>
        <message>
            <location line="+35" />
            <source>Key for %1</source>
            <translation>Key for %1</translation>
        </message>
        <message>
            <location line="+3" />
            <source>Press a key</source>
            <translation>Press a key</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Clear</source>
            <translation>Clear</translation>
        </message>
        <message>
            <location line="+2" />
            <source>Clear the key for %1</source>
            <translation>Clear the key for %1</translation>
        </message>
        <message>
            <location line="+4" />
            <source>Status of %1</source>
            <translation>Status of %1</translation>
        </message>
    </context>
    <context>
        <name>TrayIcon</name>
        <message>
            <location filename="../tray/TrayIcon.cpp" line="+66" />
            <source>Save current…</source>
            <translation>Save current…</translation>
        </message>
        <message>
            <location line="+19" />
            <location line="+6" />
            <location line="+6" />
            <source>Save Snapshot</source>
            <translation>Save Snapshot</translation>
        </message>
        <message>
            <location line="-12" />
            <source>Snapshot name:</source>
            <translation>Snapshot name:</translation>
        </message>
        <message>
            <location line="+7" />
            <source>A snapshot named "%1" exists already. Replace it?</source>
            <translation>A snapshot named "%1" exists already. Replace it?</translation>
        </message>
        <message>
            <location line="+14" />
            <source>Load Snapshot</source>
            <translation>Load Snapshot</translation>
        </message>
        <message>
            <location line="+18" />
            <source>Quit</source>
            <translation>Quit</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Setup</source>
            <translation>Setup</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Main Window</source>
            <translation>Main Window</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Upgrade Firmware</source>
            <translation>Upgrade Firmware</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Refresh Audio Device</source>
            <translation>Refresh Audio Device</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Win Sound Pannel</source>
            <translation>Win Sound Pannel</translation>
        </message>
        <message>
            <location line="+12" />
            <source>Snapshots</source>
            <translation>Snapshots</translation>
        </message>
        <message>
            <location line="+4" />
            <source>Shortcuts…</source>
            <translation>Shortcuts…</translation>
        </message>
    </context>
    <context>
        <name>ks1</name>
        <message>
            <location filename="../panels/ks1.cpp" line="+49" />
            <source>DIRECT</source>
            <translation>DIRECT</translation>
        </message>
        <message>
            <location line="-9" />
            <location line="+51" />
            <source>MIC</source>
            <translation>MIC</translation>
        </message>
        <message>
            <location line="-54" />
            <source>INPUT</source>
            <translation>INPUT</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Gain</source>
            <translation>Gain</translation>
        </message>
        <message>
            <location line="+13" />
            <source>HEADPHONE</source>
            <translation>HEADPHONE</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Volume</source>
            <translation>Volume</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Phone To HP Volume</source>
            <translation>Phone To HP Volume</translation>
        </message>
        <message>
            <location line="+19" />
            <source>Input gain</source>
            <translation>Input gain</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Instrument mode</source>
            <translation>Instrument mode</translation>
        </message>
        <message>
            <location line="+1" />
            <source>20 dB pad</source>
            <translation>20 dB pad</translation>
        </message>
        <message>
            <location line="+1" />
            <source>48V phantom power</source>
            <translation>48V phantom power</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Direct monitoring</source>
            <translation>Direct monitoring</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Input level</source>
            <translation>Input level</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone volume</source>
            <translation>Headphone volume</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone mute</source>
            <translation>Headphone mute</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone dim</source>
            <translation>Headphone dim</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Phone to headphone volume</source>
            <translation>Phone to headphone volume</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Phone level</source>
            <translation>Phone level</translation>
        </message>
        <message>
            <location line="+9" />
            <source>INST</source>
            <translation>INST</translation>
        </message>
    </context>
    <context>
        <name>ks2</name>
        <message>
            <location filename="../panels/ks2.cpp" line="+70" />
            <source>DIRECT</source>
            <translation>DIRECT</translation>
        </message>
        <message>
            <location line="+4" />
            <source>MIC%1 gain</source>
            <translation>MIC%1 gain</translation>
        </message>
        <message>
            <location line="+1" />
            <source>MIC%1 20 dB pad</source>
            <translation>MIC%1 20 dB pad</translation>
        </message>
        <message>
            <location line="+1" />
            <source>MIC%1 48V phantom power</source>
            <translation>MIC%1 48V phantom power</translation>
        </message>
        <message>
            <location line="+1" />
            <source>MIC%1 direct monitoring</source>
            <translation>MIC%1 direct monitoring</translation>
        </message>
        <message>
            <location line="+1" />
            <source>MIC%1 level</source>
            <translation>MIC%1 level</translation>
        </message>
        <message>
            <location line="-22" />
            <source>Gain</source>
            <translation>Gain</translation>
        </message>
        <message>
            <location line="+32" />
            <source>MIC1</source>
            <translation>MIC1</translation>
        </message>
        <message>
            <location line="+1" />
            <source>MIC2</source>
            <translation>MIC2</translation>
        </message>
        <message>
            <location line="+2" />
            <source>SPEAKER</source>
            <translation>SPEAKER</translation>
        </message>
        <message>
            <location line="+1" />
            <location line="+18" />
            <source>Volume</source>
            <translation>Volume</translation>
        </message>
        <message>
            <location line="-17" />
            <source>Phone To SP Volume</source>
            <translation>Phone To SP Volume</translation>
        </message>
        <message>
            <location line="+16" />
            <source>HEADPHONE</source>
            <translation>HEADPHONE</translation>
        </message>
        <message>
            <location line="+2" />
            <source>Phone To HP Volume</source>
            <translation>Phone To HP Volume</translation>
        </message>
        <message>
            <location line="+34" />
            <source>Speaker volume</source>
            <translation>Speaker volume</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Speaker mute</source>
            <translation>Speaker mute</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Speaker dim</source>
            <translation>Speaker dim</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Phone to speaker volume</source>
            <translation>Phone to speaker volume</translation>
        </message>
        <message>
            <location line="+1" />
            <location line="+5" />
            <source>Phone level</source>
            <translation>Phone level</translation>
        </message>
        <message>
            <location line="-4" />
            <source>Headphone volume</source>
            <translation>Headphone volume</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone mute</source>
            <translation>Headphone mute</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone dim</source>
            <translation>Headphone dim</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Phone to headphone volume</source>
            <translation>Phone to headphone volume</translation>
        </message>
    </context>
    <context>
        <name>kt</name>
        <message>
            <location filename="../panels/kt.cpp" line="+39" />
            <source>Mic gain</source>
            <translation>Mic gain</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Direct monitoring</source>
            <translation>Direct monitoring</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Input level</source>
            <translation>Input level</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone volume</source>
            <translation>Headphone volume</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone mute</source>
            <translation>Headphone mute</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone dim</source>
            <translation>Headphone dim</translation>
        </message>
        <message>
            <location line="+9" />
            <source>DIRECT</source>
            <translation>DIRECT</translation>
        </message>
        <message>
            <location line="-3" />
            <source>MIC</source>
            <translation>MIC</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Gain</source>
            <translation>Gain</translation>
        </message>
        <message>
            <location line="+4" />
            <source>Volume</source>
            <translation>Volume</translation>
        </message>
    </context>
</TS>
