// SPDX-License-Identifier: MIT
// What a screen reader is told about each panel's controls: a translated name
// per knob and button, and a value or on/off state that follows the control,
// whether it changes by the mouse, by a set or by the stored state replayed at
// start. Run against zelvoro-sim, as the panels need their device.
#include "panels/ks1.h"
#include "panels/ks2.h"
#include "panels/kt.h"

#include "widgets/Button.h"
#include "widgets/Knob.h"

#include "PanelJournal.h"
#include "SimProcess.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QLabel>
#include <QTest>
#include <QTranslator>
#include <QWheelEvent>

#include <memory>

using namespace paneltest;

namespace {

QAccessibleInterface *accessible(QWidget *panel, const char *objectName)
{
    QWidget *widget = panel->findChild<QWidget *>(QLatin1String(objectName));
    return widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
}

QString nameOf(QWidget *panel, const char *objectName)
{
    QAccessibleInterface *iface = accessible(panel, objectName);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<missing %1>").arg(QLatin1String(objectName));
}

QString descriptionOf(QWidget *panel, const char *objectName)
{
    QAccessibleInterface *iface = accessible(panel, objectName);
    return iface ? iface->text(QAccessible::Description) : QString();
}

void wheel(Knob *knob, int delta)
{
    const QPointF pos(knob->width() / 2.0, knob->height() / 2.0);
    QWheelEvent event(pos, knob->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(knob, &event);
}

// Marks every text of one translation context, to show which texts pass through it.
class MarkingTranslator : public QTranslator
{
public:
    explicit MarkingTranslator(const char *context) : context(context) {}
    QString translate(const char *c, const char *source, const char *, int) const override
    {
        return QLatin1String(c) == QLatin1String(context) ? QStringLiteral("[%1]").arg(QString::fromUtf8(source))
                                                          : QString();
    }
    bool isEmpty() const override { return false; }

private:
    const char *context;
};

} // namespace

class MeteredKs2 : public ks2
{
public:
    using ks2::showMeters;
};

class PanelAccessibilityTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimProcess> sim;

    bool startSim(const char *model)
    {
        sim = std::make_unique<SimProcess>(QStringList{"--model", QLatin1String(model)});
        return sim->start();
    }

private slots:
    void init()
    {
        for (const char *model : {"ks1", "ks2", "kt"})
            removeIni(model);
    }
    void cleanup() { sim.reset(); }

    void everyKnobAndButtonIsNamed_data();
    void everyKnobAndButtonIsNamed();
    void ks2NamesAndValues();
    void ks2FollowsTheMouse();
    void ks2ShowsTheReplayedState();
    void ks2MetersReadTheirLevel();
    void ks1NamesAndStates();
    void ktNamesAndStates();
    void namesAreTranslatedInThePanelsContext_data();
    void namesAreTranslatedInThePanelsContext();
    void keyboardAndReaderOrderFollowTheLayout_data();
    void keyboardAndReaderOrderFollowTheLayout();
};

void PanelAccessibilityTest::keyboardAndReaderOrderFollowTheLayout_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("order");
    // A screen reader also meets each column's title and caption before its controls.
    QTest::addColumn<QStringList>("reader");
    QTest::newRow("ks1") << "ks1"
                         << QStringList{"micGainKnob",   "instrumentButton", "padButton",
                                        "phantomButton", "directButton",     "headphoneKnob",
                                        "muteButton",    "dimButton",        "phoneKnob"}
                         << QStringList{"INPUT",         "Gain",         "micGainKnob", "instrumentButton",
                                        "padButton",     "phantomButton", "directButton", "HEADPHONE",
                                        "Volume",        "Phone To HP Volume", "headphoneKnob", "muteButton",
                                        "dimButton",     "phoneKnob"};
    QTest::newRow("kt") << "kt"
                        << QStringList{"micGainKnob", "directButton", "headphoneKnob", "muteButton",
                                       "dimButton"}
                        << QStringList{"MIC",       "Gain",   "micGainKnob",   "directButton",
                                       "HEADPHONE", "Volume", "headphoneKnob", "muteButton",
                                       "dimButton"};
}

// Tab moves through the controls, and a screen reader lists them, top to
// bottom and column by column as they are laid out.
void PanelAccessibilityTest::keyboardAndReaderOrderFollowTheLayout()
{
    QFETCH(QString, model);
    QFETCH(QStringList, order);
    QFETCH(QStringList, reader);
    QVERIFY(startSim(model.toLatin1().constData()));
    std::unique_ptr<QWidget> panel(model == "ks1" ? static_cast<QWidget *>(new ks1)
                                                  : static_cast<QWidget *>(new kt));
    const auto isControl = [](QObject *o) { return qobject_cast<Knob *>(o) || qobject_cast<Button *>(o); };

    QStringList focus;
    for (QWidget *w = panel->nextInFocusChain(); w != panel.get(); w = w->nextInFocusChain())
        if (isControl(w))
            focus << w->objectName();
    QCOMPARE(focus, order);

    // Controls by name, titles and captions (unnamed labels) by their text.
    QStringList read;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(panel.get());
    for (int i = 0; i < iface->childCount(); ++i) {
        QObject *child = iface->child(i)->object();
        auto *label = qobject_cast<QLabel *>(child);
        if (isControl(child))
            read << child->objectName();
        else if (label && label->objectName().isEmpty())
            read << label->text();
    }
    QCOMPARE(read, reader);
}

void PanelAccessibilityTest::everyKnobAndButtonIsNamed_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("knobs");
    QTest::addColumn<int>("buttons");
    QTest::newRow("ks1") << "ks1" << 3 << 6;
    QTest::newRow("ks2") << "ks2" << 6 << 10;
    QTest::newRow("kt") << "kt" << 2 << 3;
}

void PanelAccessibilityTest::everyKnobAndButtonIsNamed()
{
    QFETCH(QString, model);
    QFETCH(int, knobs);
    QFETCH(int, buttons);
    QVERIFY(startSim(model.toLatin1().constData()));
    std::unique_ptr<QWidget> panel(model == "ks1"   ? static_cast<QWidget *>(new ks1)
                                   : model == "ks2" ? static_cast<QWidget *>(new ks2)
                                                    : static_cast<QWidget *>(new kt));
    const QList<Knob *> allKnobs = panel->findChildren<Knob *>();
    const QList<Button *> allButtons = panel->findChildren<Button *>();
    QCOMPARE(allKnobs.size(), knobs);
    QCOMPARE(allButtons.size(), buttons);
    QSet<QString> names;
    for (QWidget *w : QList<QWidget *>(allKnobs.begin(), allKnobs.end()) + QList<QWidget *>(allButtons.begin(), allButtons.end())) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
        QVERIFY(iface);
        const QString name = iface->text(QAccessible::Name);
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        QCOMPARE(name, w->accessibleName());
        // A screen reader user must be able to tell the controls apart.
        QVERIFY2(!names.contains(name), qPrintable(name));
        names.insert(name);
        QVERIFY(iface->text(QAccessible::Description).startsWith(name + QStringLiteral(", ")));
    }
    // A meter is read out as its level; what it measures is its description.
    int meters = 0;
    for (QLabel *meter : panel->findChildren<QLabel *>()) {
        if (!meter->objectName().endsWith(QLatin1String("Meter")))
            continue;
        ++meters;
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(meter);
        QCOMPARE(iface->text(QAccessible::Name), meter->text());
        QVERIFY2(iface->text(QAccessible::Description).endsWith(QLatin1String(" level")),
                 qPrintable(meter->objectName()));
    }
    QVERIFY(meters >= 1);
}

void PanelAccessibilityTest::ks2NamesAndValues()
{
    QVERIFY(startSim("ks2"));
    ks2 panel;
    QCOMPARE(nameOf(&panel, "headphoneKnob"), QStringLiteral("Headphone volume"));
    QCOMPARE(nameOf(&panel, "speakerKnob"), QStringLiteral("Speaker volume"));
    QCOMPARE(nameOf(&panel, "mic1GainKnob"), QStringLiteral("MIC1 gain"));
    QCOMPARE(nameOf(&panel, "mic2PhantomButton"), QStringLiteral("MIC2 48V phantom power"));
    QCOMPARE(nameOf(&panel, "phoneToSpeakerKnob"), QStringLiteral("Phone to speaker volume"));
    QCOMPARE(nameOf(&panel, "speakerDimButton"), QStringLiteral("Speaker dim"));

    // Defaults replayed at start: levels at -80, phone routes at 0, mic gains at 0.
    QCOMPARE(descriptionOf(&panel, "headphoneKnob"), QStringLiteral("Headphone volume, -80 dB"));
    QCOMPARE(descriptionOf(&panel, "phoneToHeadphoneKnob"), QStringLiteral("Phone to headphone volume, 0 dB"));
    QCOMPARE(descriptionOf(&panel, "mic2PhantomButton"), QStringLiteral("MIC2 48V phantom power, off"));

    Knob *headphone = panel.findChild<Knob *>(QStringLiteral("headphoneKnob"));
    headphone->setValue(-12);
    QCOMPARE(descriptionOf(&panel, "headphoneKnob"), QStringLiteral("Headphone volume, -12 dB"));
    QCOMPARE(accessible(&panel, "headphoneKnob")->valueInterface()->currentValue().toInt(), -12);
    // The mic gain shows its offset number, as painted.
    panel.findChild<Knob *>(QStringLiteral("mic1GainKnob"))->setValue(11);
    QCOMPARE(accessible(&panel, "mic1GainKnob")->text(QAccessible::Value), QStringLiteral("20 dB"));

    Button *phantom = panel.findChild<Button *>(QStringLiteral("mic2PhantomButton"));
    phantom->setStatus(true);
    QCOMPARE(descriptionOf(&panel, "mic2PhantomButton"), QStringLiteral("MIC2 48V phantom power, on"));
    QVERIFY(accessible(&panel, "mic2PhantomButton")->state().checked);
    // The device got the same command as without a screen reader.
    QCOMPARE(describe(requests(*sim).last()), QStringLiteral("setMic48V(2,1)"));
}

void PanelAccessibilityTest::ks2FollowsTheMouse()
{
    QVERIFY(startSim("ks2"));
    ks2 panel;
    panel.show();
    Knob *speaker = panel.findChild<Knob *>(QStringLiteral("speakerKnob"));
    speaker->setValue(-30);
    wheel(speaker, 120);
    wheel(speaker, 120);
    QCOMPARE(descriptionOf(&panel, "speakerKnob"), QStringLiteral("Speaker volume, -28 dB"));
    Button *mute = panel.findChild<Button *>(QStringLiteral("speakerMuteButton"));
    QTest::mouseClick(mute, Qt::LeftButton);
    QCOMPARE(descriptionOf(&panel, "speakerMuteButton"), QStringLiteral("Speaker mute, on"));
    // Muting changes the gain sent, not the knob the reader announces.
    QCOMPARE(descriptionOf(&panel, "speakerKnob"), QStringLiteral("Speaker volume, -28 dB"));
    QCOMPARE(entry(mixerWrites(*sim).last(), vector(0, 0)), 0.0);
    QTest::mouseClick(mute, Qt::LeftButton);
    QCOMPARE(descriptionOf(&panel, "speakerMuteButton"), QStringLiteral("Speaker mute, off"));
    QCOMPARE(iniValue("ks2", "Dial/SpeakerValue").toInt(), -28);
}

void PanelAccessibilityTest::ks2ShowsTheReplayedState()
{
    writeIni("ks2", {{"Dial/HeadphoneValue", -6}, {"Button/HeadphoneDimIsChecked", true}, {"Dial/Mic2Value", 100}});
    QVERIFY(startSim("ks2"));
    ks2 panel;
    QCOMPARE(descriptionOf(&panel, "headphoneKnob"), QStringLiteral("Headphone volume, -6 dB"));
    QCOMPARE(descriptionOf(&panel, "headphoneDimButton"), QStringLiteral("Headphone dim, on"));
    // Stored 100, clamped to 56, shown with the offset of 9.
    QCOMPARE(descriptionOf(&panel, "mic2GainKnob"), QStringLiteral("MIC2 gain, 65 dB"));
}

void PanelAccessibilityTest::ks2MetersReadTheirLevel()
{
    QVERIFY(startSim("ks2"));
    MeteredKs2 panel;
    MeterBlock block;
    block.words[0] = 2147483647 / 10; // -20 dB
    block.words[1] = 2147483647;
    panel.showMeters(block);
    QAccessibleInterface *mic1 = accessible(&panel, "mic1Meter");
    QCOMPARE(mic1->text(QAccessible::Name), QStringLiteral("-20.0 dB"));
    QCOMPARE(mic1->text(QAccessible::Description), QStringLiteral("MIC1 level"));
    QCOMPARE(accessible(&panel, "mic2Meter")->text(QAccessible::Name), QStringLiteral("0.0 dB"));
    QCOMPARE(accessible(&panel, "headphonePhoneMeter")->text(QAccessible::Description), QStringLiteral("Phone level"));
}

void PanelAccessibilityTest::ks1NamesAndStates()
{
    QVERIFY(startSim("ks1"));
    ks1 panel;
    QCOMPARE(nameOf(&panel, "micGainKnob"), QStringLiteral("Input gain"));
    QCOMPARE(nameOf(&panel, "phantomButton"), QStringLiteral("48V phantom power"));
    QCOMPARE(nameOf(&panel, "phoneKnob"), QStringLiteral("Phone to headphone volume"));
    // The instrument button's name stays while its text switches between MIC and INST.
    Button *instrument = panel.findChild<Button *>(QStringLiteral("instrumentButton"));
    instrument->setStatus(true);
    QCOMPARE(instrument->text(), QStringLiteral("INST"));
    QCOMPARE(descriptionOf(&panel, "instrumentButton"), QStringLiteral("Instrument mode, on"));
    panel.findChild<Button *>(QStringLiteral("phantomButton"))->setStatus(true);
    QCOMPARE(descriptionOf(&panel, "phantomButton"), QStringLiteral("48V phantom power, on"));
    panel.findChild<Knob *>(QStringLiteral("headphoneKnob"))->setValue(-12);
    QCOMPARE(descriptionOf(&panel, "headphoneKnob"), QStringLiteral("Headphone volume, -12 dB"));
}

void PanelAccessibilityTest::ktNamesAndStates()
{
    QVERIFY(startSim("kt"));
    kt panel;
    QCOMPARE(nameOf(&panel, "micGainKnob"), QStringLiteral("Mic gain"));
    QCOMPARE(descriptionOf(&panel, "directButton"), QStringLiteral("Direct monitoring, off"));
    QTest::mouseClick(panel.findChild<Button *>(QStringLiteral("directButton")), Qt::LeftButton);
    QCOMPARE(descriptionOf(&panel, "directButton"), QStringLiteral("Direct monitoring, on"));
    panel.findChild<Knob *>(QStringLiteral("micGainKnob"))->setValue(30);
    QCOMPARE(descriptionOf(&panel, "micGainKnob"), QStringLiteral("Mic gain, 30 dB"));
    QCOMPARE(descriptionOf(&panel, "muteButton"), QStringLiteral("Headphone mute, off"));
}

void PanelAccessibilityTest::namesAreTranslatedInThePanelsContext_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ks1") << "ks1" << "padButton" << "[20 dB pad]";
    QTest::newRow("ks2") << "ks2" << "mic1DirectButton" << "[MIC%1 direct monitoring]";
    QTest::newRow("kt") << "kt" << "headphoneKnob" << "[Headphone volume]";
}

void PanelAccessibilityTest::namesAreTranslatedInThePanelsContext()
{
    QFETCH(QString, model);
    QFETCH(QString, objectName);
    QFETCH(QString, expected);
    QVERIFY(startSim(model.toLatin1().constData()));
    const QByteArray context = model.toLatin1();
    MarkingTranslator marker(context.constData());
    QCoreApplication::installTranslator(&marker);
    std::unique_ptr<QWidget> panel(model == "ks1"   ? static_cast<QWidget *>(new ks1)
                                   : model == "ks2" ? static_cast<QWidget *>(new ks2)
                                                    : static_cast<QWidget *>(new kt));
    QCoreApplication::removeTranslator(&marker);
    // "%1" is filled after translation: the translated pattern keeps its place holder.
    QCOMPARE(nameOf(panel.get(), objectName.toLatin1().constData()), QString(expected).replace("%1", "1"));
}

QTEST_MAIN(PanelAccessibilityTest)
#include "tst_PanelAccessibility.moc"
