// The hand-drawn switch, the custom controls, the system box and the status
// bar.
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "customcontrols.h"
#include "qcollapsiblewidget.h"
#include "qcustombox.h"
#include "qsystemstatusbar.h"
#include "zevahvswitch.h"

TEST(SwitchGeometry, RectangularShapeFollowsTheKnobCell)
{
    const SwitchGeometry on = switchGeometry(120, 40, ZEVAHVSwitch::Rectangular, true);
    EXPECT_EQ(on.unit, 40);
    EXPECT_EQ(on.track, QRect(2, 2, 116, 36));
    EXPECT_EQ(on.knob, QRect(84, 4, 32, 32));
    EXPECT_EQ(on.textBox, QRect(QPoint(4, 4), QPoint(79, 35)));
    EXPECT_EQ(on.fontStretch, 75);
    EXPECT_EQ(on.fontPixelSize, 20);

    const SwitchGeometry off = switchGeometry(120, 40, ZEVAHVSwitch::Rectangular, false);
    EXPECT_EQ(off.knob, QRect(4, 4, 32, 32));
    EXPECT_EQ(off.textBox, QRect(QPoint(40, 4), QPoint(115, 35)));

    // A wide, flat switch is limited by its height, a tall one by half its width.
    EXPECT_EQ(switchGeometry(300, 30, ZEVAHVSwitch::Rectangular, true).unit, 30);
    EXPECT_EQ(switchGeometry(60, 90, ZEVAHVSwitch::Rectangular, true).unit, 30);
}

TEST(SwitchGeometry, RoundedShapeIsTwoCirclesAndABar)
{
    const SwitchGeometry on = switchGeometry(120, 40, ZEVAHVSwitch::Rounded, true);
    EXPECT_EQ(on.unit, 20);        // min(120 / 3, 40 / 2)
    EXPECT_EQ(on.radius, 12);
    EXPECT_EQ(on.leftCentre, QPoint(24, 20));
    EXPECT_EQ(on.rightCentre, QPoint(96, 20));
    EXPECT_EQ(on.trackMiddle, QRect(24, 8, 72, 24));
    EXPECT_EQ(on.knobRadius, 10);
    EXPECT_EQ(on.knobCentre, QPoint(96, 20));
    EXPECT_EQ(on.fontStretch, 62);
    EXPECT_EQ(on.fontPixelSize, 15);   // 12 x 1.3, truncated
    // The text stays beside the knob, never under it.
    EXPECT_LE(on.textBox.right(), on.knobCentre.x() - on.knobRadius);

    const SwitchGeometry off = switchGeometry(120, 40, ZEVAHVSwitch::Rounded, false);
    EXPECT_EQ(off.knobCentre, QPoint(24, 20));
    EXPECT_GE(off.textBox.left(), off.knobCentre.x() + off.knobRadius);
    // The outline covers both end circles and the bar between them.
    const QPainterPath path = on.trackPath();
    EXPECT_TRUE(path.contains(QPointF(13, 20)));
    EXPECT_TRUE(path.contains(QPointF(60, 9)));
    EXPECT_TRUE(path.contains(QPointF(107, 20)));
    EXPECT_FALSE(path.contains(QPointF(60, 35)));
}

TEST(SwitchWidget, TextFollowsTheStateAndTinySizesPaintSafely)
{
    ZEVAHVSwitch sw("ON", "OFF", ZEVAHVSwitch::Rounded);
    EXPECT_EQ(sw.minimumSize(), QSize(60, 30));
    EXPECT_EQ(sw.textValue(), "OFF");
    sw.click();
    EXPECT_TRUE(sw.isChecked());
    EXPECT_EQ(sw.textValue(), "ON");
    EXPECT_EQ(sw.text(), "ON");
    // Painting at any size, even one too small for a knob, must not fail.
    for (QSize s : {QSize(60, 30), QSize(200, 24), QSize(1, 1)}) {
        sw.setMinimumSize(1, 1);
        sw.resize(s);
        QPixmap pm(s);
        sw.render(&pm);
    }
}

TEST(CustomControls, CommaNeverReachesALineEditAndArrowsStayWithTheTable)
{
    QCustomLineEdit edit;
    edit.show();
    QTest::keyClicks(&edit, "12,5");
    EXPECT_EQ(edit.text(), "125");

    QCustomLineEdit cell;
    cell.setInTable(true);
    EXPECT_EQ(cell.objectName(), "tableWidgetChild");
    cell.setText("abc");
    cell.setCursorPosition(1);
    QTest::keyClick(&cell, Qt::Key_Right);
    EXPECT_EQ(cell.cursorPosition(), 1);   // the table moves, not the cursor
    QTest::keyClick(&cell, Qt::Key_Comma);
    EXPECT_EQ(cell.text(), "abc");
}

TEST(CustomControls, EditLookIsBlueOutsideTablesAndRestoredAfterwards)
{
    QWidget host;
    QCustomLineEdit edit(&host);
    QCustomLineEdit other(&host);
    host.show();
    edit.setFocus();
    QApplication::processEvents();
    QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
    QApplication::sendEvent(&edit, &in);
    EXPECT_EQ(edit.styleSheet(), QString(kEditingStyle));
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(&edit, &out);
    EXPECT_EQ(edit.styleSheet(), QString());

    QCustomLineEdit readOnly(&host);
    readOnly.setReadOnly(true);
    QApplication::sendEvent(&readOnly, &in);
    EXPECT_EQ(readOnly.styleSheet(), QString());

    QCustomSpinBox spin(&host);
    spin.setInTable(true);
    const QString before = spin.styleSheet();
    QApplication::sendEvent(&spin, &in);
    EXPECT_EQ(spin.styleSheet(), QString(kTransparentStyle));
    QApplication::sendEvent(&spin, &out);
    EXPECT_EQ(spin.styleSheet(), before);
}

TEST(CustomControls, ComboInATableCyclesWithSpaceAndIgnoresTheWheel)
{
    QCustomComboBox combo;
    combo.addItems({"200 ns", "400 ns", "800 ns"});
    combo.setInTable(true);
    combo.setCurrentIndex(2);
    QSignalSpy activated(&combo, &QComboBox::activated);
    QTest::keyClick(&combo, Qt::Key_Space);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(activated.count(), 1);
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(combo.currentIndex(), 0);

    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&combo, &wheel);
    EXPECT_EQ(combo.currentIndex(), 0);

    QCustomDoubleSpinBox d;
    EXPECT_EQ(d.decimals(), 1);
    d.setValue(2.5);
    EXPECT_EQ(d.text(), "2.5");   // a point, whatever the desktop's language

    QCustomComboBox readOnly(nullptr, true);
    ASSERT_NE(readOnly.lineEdit(), nullptr);
    EXPECT_TRUE(readOnly.lineEdit()->isReadOnly());
}

TEST(SystemBox, ArrowFlipsAndEveryButtonNamesItsSystem)
{
    QCollapsibleWidget dock;
    auto* box = new QCustomBox("Amp1", 0, nullptr, false);
    auto* panel = new QLabel("panel");
    dock.addSystem(box, panel);
    ASSERT_EQ(dock.topLevelItemCount(), 1);
    EXPECT_TRUE(dock.topLevelItem(0)->isExpanded());
    ASSERT_NE(box->disconnectButton(), nullptr);
    EXPECT_EQ(box->disconnectButton()->objectName(), "disconnectButton");
    EXPECT_EQ(box->extraButton()->objectName(), "extraButton");

    QSignalSpy expand(box, &QCustomBox::clickedExpandButton);
    QSignalSpy disconnect(box, &QCustomBox::clickedDisconnectButton);
    QSignalSpy extra(box, &QCustomBox::clickedExtraButton);
    box->expandButtonClick();
    EXPECT_FALSE(box->isExpanded());
    EXPECT_FALSE(dock.topLevelItem(0)->isExpanded());
    ASSERT_EQ(expand.count(), 1);
    EXPECT_EQ(expand.at(0).at(0).toInt(), 0);
    box->disconnectButton()->click();
    box->extraButton()->click();
    ASSERT_EQ(disconnect.count(), 1);
    EXPECT_EQ(disconnect.at(0).at(0).toInt(), 0);
    box->setSystemIndex(3);   // renumbered after another system left
    box->disconnectButton()->click();
    EXPECT_EQ(disconnect.at(1).at(0).toInt(), 3);
    ASSERT_EQ(extra.count(), 1);

    box->setSelected(true);
    EXPECT_TRUE(box->styleSheet().contains("#c00b20"));
    EXPECT_TRUE(box->styleSheet().contains("qlineargradient"));
    box->setSelected(false);
    EXPECT_FALSE(box->styleSheet().contains("qlineargradient"));

    // Systems are inserted where the list says, and removed by position.
    auto* first = new QCustomBox("First", 0, nullptr, true);
    dock.insertSystem(0, first);
    EXPECT_EQ(dock.itemWidget(dock.topLevelItem(0), 0), first);
    dock.removeSystem(0);
    EXPECT_EQ(dock.topLevelItemCount(), 1);
    EXPECT_EQ(dock.itemWidget(dock.topLevelItem(0), 0), box);
}

TEST(StatusBar, ConnectionTextsAndLights)
{
    QSystemStatusBar bar;
    bar.setConnectionStatus(QSystemStatusBar::Pending);
    EXPECT_EQ(bar.connectionStatusLabel()->text(), "PENDING CONNECTION");
    bar.setConnectionStatus(QSystemStatusBar::Connected);
    EXPECT_EQ(bar.connectionStatusLabel()->text(), "CONNECTED");
    EXPECT_TRUE(bar.connectionStatusLabel()->styleSheet().contains("green"));
    bar.setConnectionStatus(QSystemStatusBar::TransparentMode);
    EXPECT_EQ(bar.connectionStatusLabel()->text(), "TRANSPARENT MODE ACTIVE");
    EXPECT_TRUE(bar.connectionStatusLabel()->styleSheet().contains("red"));
    bar.setConnectionStatus(7);
    EXPECT_EQ(bar.connectionStatusLabel()->text(), "");

    bar.setEventLights(true, false, true);
    EXPECT_EQ(bar.okLightPicture(), ":/Resources/buttons/led_on_mid.png");
    EXPECT_EQ(bar.warningLightPicture(), ":/Resources/buttons/led_off_mid.png");
    EXPECT_EQ(bar.errorLightPicture(), ":/Resources/buttons/led_err_mid.png");
    bar.switchLightsOff();
    EXPECT_EQ(bar.okLightPicture(), ":/Resources/buttons/led_off.png");
    EXPECT_EQ(bar.errorLightPicture(), ":/Resources/buttons/led_off.png");
    // Every picture the bar names is compiled in.
    EXPECT_FALSE(bar.okLight()->pixmap().isNull());
}
