<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en_US">
    <context>
        <name>Button</name>
        <message>
            <location filename="../widgets/Button.cpp" line="+38" />
            <source>on</source>
            <translation>开</translation>
        </message>
        <message>
            <location line="+0" />
            <source>off</source>
            <translation>关</translation>
        </message>
    </context>
    <context>
        <name>GlobalHotkeys</name>
        <message>
            <location filename="../shortcuts/GlobalHotkeys.cpp" line="+104" />
            <source>in use by another program</source>
            <translation>已被其他程序占用</translation>
        </message>
        <message>
            <location line="+2" />
            <source>refused by the system</source>
            <translation>被系统拒绝</translation>
        </message>
    </context>
    <context>
        <name>MainWindow</name>
        <message>
            <location filename="../app/MainWindow.cpp" line="+198" />
            <location line="+42" />
            <source>声卡未连接！</source>
            <translation>声卡未连接！</translation>
        </message>
        <message>
            <location line="-115" />
            <source>设备初始化失败，请检查连接！</source>
            <translation>设备初始化失败，请检查连接！</translation>
        </message>
    </context>
    <context>
        <name>Settings</name>
        <message>
            <location filename="../settings/Settings.cpp" line="+89" />
            <source>Settings</source>
            <translation>设置</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Buffer Size</source>
            <translation>缓冲区大小</translation>
        </message>
        <message>
            <location line="+3" />
            <source>USB Latency Size</source>
            <translation>USB 延迟大小</translation>
        </message>
        <message>
            <location line="+3" />
            <source>Samplerate</source>
            <translation>采样率</translation>
        </message>
        <message>
            <location line="+3" />
            <source>Safe Mode</source>
            <translation>安全模式</translation>
        </message>
    </context>
    <context>
        <name>ShortcutsDialog</name>
        <message>
            <location filename="../shortcuts/ShortcutsDialog.cpp" line="+20" />
            <source>Shortcuts</source>
            <translation>快捷键</translation>
        </message>
        <message>
            <location line="+12" />
            <source>Keys that work whatever program has the focus.</source>
            <translation>无论当前使用哪个程序，这些快捷键都有效。</translation>
        </message>
        <message>
            <location line="+3" />
            <source>Global shortcuts are not available in this session.</source>
            <translation>当前会话不支持全局快捷键。</translation>
        </message>
        <message>
            <location line="+16" />
            <location line="+1" />
            <source>Close</source>
            <translation>关闭</translation>
        </message>
        <message>
            <location line="+9" />
            <source>Speakers mute</source>
            <translation>音箱静音</translation>
        </message>
        <message>
            <location line="+0" />
            <source>Speakers dim</source>
            <translation>音箱衰减</translation>
        </message>
        <message>
            <location line="+0" />
            <source>Headphones mute</source>
            <translation>耳机静音</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphones dim</source>
            <translation>耳机衰减</translation>
        </message>
        <message>
            <location line="+0" />
            <source>Speakers level up</source>
            <translation>音箱音量增大</translation>
        </message>
        <message>
            <location line="+0" />
            <source>Speakers level down</source>
            <translation>音箱音量减小</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphones level up</source>
            <translation>耳机音量增大</translation>
        </message>
        <message>
            <location line="+0" />
            <source>Headphones level down</source>
            <translation>耳机音量减小</translation>
        </message>
        <message>
            <location line="+0" />
            <source>Open the main window</source>
            <translation>打开主窗口</translation>
        </message>
        <message>
            <location line="+4" />
            <source>Load snapshot "%1"</source>
            <translation>加载快照“%1”</translation>
        </message>
        <message>
            <location line="+35" />
            <source>Key for %1</source>
            <translation>%1的快捷键</translation>
        </message>
        <message>
            <location line="+3" />
            <source>Press a key</source>
            <translation>请按下按键</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Clear</source>
            <translation>清除</translation>
        </message>
        <message>
            <location line="+2" />
            <source>Clear the key for %1</source>
            <translation>清除%1的快捷键</translation>
        </message>
        <message>
            <location line="+4" />
            <source>Status of %1</source>
            <translation>%1的状态</translation>
        </message>
    </context>
    <context>
        <name>TrayIcon</name>
        <message>
            <location filename="../tray/TrayIcon.cpp" line="+66" />
            <source>Save current…</source>
            <translation>保存当前设置…</translation>
        </message>
        <message>
            <location line="+19" />
            <location line="+6" />
            <location line="+6" />
            <source>Save Snapshot</source>
            <translation>保存快照</translation>
        </message>
        <message>
            <location line="-12" />
            <source>Snapshot name:</source>
            <translation>快照名称：</translation>
        </message>
        <message>
            <location line="+7" />
            <source>A snapshot named "%1" exists already. Replace it?</source>
            <translation>已有名为“%1”的快照，要替换吗？</translation>
        </message>
        <message>
            <location line="+14" />
            <source>Load Snapshot</source>
            <translation>加载快照</translation>
        </message>
        <message>
            <location line="+18" />
            <source>Quit</source>
            <translation>退出</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Setup</source>
            <translation>设置</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Main Window</source>
            <translation>主窗口</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Upgrade Firmware</source>
            <translation>升级固件</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Refresh Audio Device</source>
            <translation>刷新音频设备</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Win Sound Pannel</source>
            <translation>Windows 声音面板</translation>
        </message>
        <message>
            <location line="+12" />
            <source>Snapshots</source>
            <translation>快照</translation>
        </message>
        <message>
            <location line="+4" />
            <source>Shortcuts…</source>
            <translation>快捷键…</translation>
        </message>
    </context>
    <context>
        <name>ks1</name>
        <message>
            <location filename="../panels/ks1.cpp" line="+49" />
            <source>DIRECT</source>
            <translation>直接监听</translation>
        </message>
        <message>
            <location line="-9" />
            <location line="+51" />
            <source>MIC</source>
            <translation>话筒</translation>
        </message>
        <message>
            <location line="-54" />
            <source>INPUT</source>
            <translation>输入</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Gain</source>
            <translation>增益</translation>
        </message>
        <message>
            <location line="+13" />
            <source>HEADPHONE</source>
            <translation>耳机</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Volume</source>
            <translation>音量</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Phone To HP Volume</source>
            <translation>手机到耳机音量</translation>
        </message>
        <message>
            <location line="+19" />
            <source>Input gain</source>
            <translation>输入增益</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Instrument mode</source>
            <translation>乐器模式</translation>
        </message>
        <message>
            <location line="+1" />
            <source>20 dB pad</source>
            <translation>20dB 衰减</translation>
        </message>
        <message>
            <location line="+1" />
            <source>48V phantom power</source>
            <translation>48V 幻象电源</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Direct monitoring</source>
            <translation>直接监听</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Input level</source>
            <translation>输入电平</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone volume</source>
            <translation>耳机音量</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone mute</source>
            <translation>耳机静音</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone dim</source>
            <translation>耳机减弱</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Phone to headphone volume</source>
            <translation>手机到耳机音量</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Phone level</source>
            <translation>手机电平</translation>
        </message>
        <message>
            <location line="+9" />
            <source>INST</source>
            <translation>乐器</translation>
        </message>
    </context>
    <context>
        <name>ks2</name>
        <message>
            <location filename="../panels/ks2.cpp" line="+70" />
            <source>DIRECT</source>
            <translation>直接监听</translation>
        </message>
        <message>
            <location line="+4" />
            <source>MIC%1 gain</source>
            <translation>话筒%1增益</translation>
        </message>
        <message>
            <location line="+1" />
            <source>MIC%1 20 dB pad</source>
            <translation>话筒%1 20dB 衰减</translation>
        </message>
        <message>
            <location line="+1" />
            <source>MIC%1 48V phantom power</source>
            <translation>话筒%1 48V 幻象电源</translation>
        </message>
        <message>
            <location line="+1" />
            <source>MIC%1 direct monitoring</source>
            <translation>话筒%1直接监听</translation>
        </message>
        <message>
            <location line="+1" />
            <source>MIC%1 level</source>
            <translation>话筒%1电平</translation>
        </message>
        <message>
            <location line="-22" />
            <source>Gain</source>
            <translation>增益</translation>
        </message>
        <message>
            <location line="+32" />
            <source>MIC1</source>
            <translation>话筒1</translation>
        </message>
        <message>
            <location line="+1" />
            <source>MIC2</source>
            <translation>话筒2</translation>
        </message>
        <message>
            <location line="+2" />
            <source>SPEAKER</source>
            <translation>音箱</translation>
        </message>
        <message>
            <location line="+1" />
            <location line="+18" />
            <source>Volume</source>
            <translation>音量</translation>
        </message>
        <message>
            <location line="-17" />
            <source>Phone To SP Volume</source>
            <translation>手机到音箱音量</translation>
        </message>
        <message>
            <location line="+16" />
            <source>HEADPHONE</source>
            <translation>耳机</translation>
        </message>
        <message>
            <location line="+2" />
            <source>Phone To HP Volume</source>
            <translation>手机到耳机音量</translation>
        </message>
        <message>
            <location line="+34" />
            <source>Speaker volume</source>
            <translation>音箱音量</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Speaker mute</source>
            <translation>音箱静音</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Speaker dim</source>
            <translation>音箱减弱</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Phone to speaker volume</source>
            <translation>手机到音箱音量</translation>
        </message>
        <message>
            <location line="+1" />
            <location line="+5" />
            <source>Phone level</source>
            <translation>手机电平</translation>
        </message>
        <message>
            <location line="-4" />
            <source>Headphone volume</source>
            <translation>耳机音量</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone mute</source>
            <translation>耳机静音</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone dim</source>
            <translation>耳机减弱</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Phone to headphone volume</source>
            <translation>手机到耳机音量</translation>
        </message>
    </context>
    <context>
        <name>kt</name>
        <message>
            <location filename="../panels/kt.cpp" line="+39" />
            <source>Mic gain</source>
            <translation>话筒增益</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Direct monitoring</source>
            <translation>直接监听</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Input level</source>
            <translation>输入电平</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone volume</source>
            <translation>耳机音量</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone mute</source>
            <translation>耳机静音</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Headphone dim</source>
            <translation>耳机减弱</translation>
        </message>
        <message>
            <location line="+9" />
            <source>DIRECT</source>
            <translation>直接监听</translation>
        </message>
        <message>
            <location line="-3" />
            <source>MIC</source>
            <translation>话筒</translation>
        </message>
        <message>
            <location line="+1" />
            <source>Gain</source>
            <translation>增益</translation>
        </message>
        <message>
            <location line="+4" />
            <source>Volume</source>
            <translation>音量</translation>
        </message>
    </context>
</TS>
