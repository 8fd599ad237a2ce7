// The in-place editor a cell gets, by the parameter's value type, and when
// it sends a value.
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "customcontrols.h"
#include "shell_fixture.h"
#include "zevahvnode.h"
#include "zevahvnodeproperty.h"
#include "zevahvswitch.h"
#include "zevahvwidgetitem.h"

namespace {
ZEVAHVNode* parameter(int valueType, int accessMode, const QVariant& value)
{
    auto* p = new ZEVAHVNode("P", ZEVAHVNode::KindChannelParameter);
    p->setKind(ZEVAHVNode::KindChannelParameter);
    p->setValueType(valueType);
    p->setAccessMode(accessMode);
    p->setValue(ZEVAHVTimedValue::now(value));
    return p;
}
void addProperty(ZEVAHVNode* p, const QString& name, const QVariant& v)
{
    auto* prop = new ZEVAHVNodeProperty(name);
    prop->setValue(ZEVAHVTimedValue::now(v));
    p->addProperty(prop);
}
}

TEST(CellEditor, ControlFollowsTheValueTypeAndLimits)
{
    std::unique_ptr<ZEVAHVNode> integer(parameter(3, ZEVAHVNode::ReadWrite, 7));
    addProperty(integer.get(), "Minval", 0.0f);
    addProperty(integer.get(), "Maxval", 31.0f);
    ZEVAHVWidgetItem a(integer.get());
    auto* spin = qobject_cast<QSpinBox*>(a.control());
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->maximum(), 31);
    EXPECT_EQ(spin->value(), 7);
    EXPECT_EQ(spin->objectName(), "tableWidgetChild");
    EXPECT_NE(a.unitLabel(), nullptr);

    std::unique_ptr<ZEVAHVNode> real(parameter(6, ZEVAHVNode::ReadWrite, 1.25));
    addProperty(real.get(), "Decimal", 2);
    addProperty(real.get(), "Maxval", 10.0f);
    real->setDecimals(2);
    ZEVAHVWidgetItem b(real.get());
    auto* dspin = qobject_cast<QDoubleSpinBox*>(b.control());
    ASSERT_NE(dspin, nullptr);
    EXPECT_EQ(dspin->decimals(), 2);
    EXPECT_EQ(b.valueText(), "1.25");

    std::unique_ptr<ZEVAHVNode> onoff(parameter(8, ZEVAHVNode::ReadWrite, true));
    addProperty(onoff.get(), "Onstate", "En");
    addProperty(onoff.get(), "Offstate", "Dis");
    ZEVAHVWidgetItem c(onoff.get());
    auto* sw = qobject_cast<ZEVAHVSwitch*>(c.control());
    ASSERT_NE(sw, nullptr);
    EXPECT_EQ(c.valueText(), "En");

    // Read-only on/off and list values show a label, not a control to change.
    std::unique_ptr<ZEVAHVNode> shown(parameter(8, ZEVAHVNode::ReadOnly, false));
    addProperty(shown.get(), "Onstate", "En");
    addProperty(shown.get(), "Offstate", "Dis");
    ZEVAHVWidgetItem d(shown.get());
    ASSERT_NE(qobject_cast<QLabel*>(d.control()), nullptr);
    EXPECT_EQ(d.valueText(), "Dis");

    // A list starting at Minval 1: the value 3 is the third text, and the
    // value sent back is Minval plus the position.
    std::unique_ptr<ZEVAHVNode> list(parameter(9, ZEVAHVNode::ReadWrite, 3.0));
    addProperty(list.get(), "Minval", 1.0f);
    addProperty(list.get(), "Maxval", 3.0f);
    addProperty(list.get(), "Enum", QStringList({"200 ns        ", "400 ns", "800 ns"}));
    ZEVAHVWidgetItem e(list.get());
    auto* combo = qobject_cast<QCustomComboBox*>(e.control());
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->currentText(), "800 ns");
    EXPECT_EQ(e.unitLabel(), nullptr);
    combo->setCurrentIndex(0);
    EXPECT_EQ(combo->itemText(0), "200 ns");
    EXPECT_DOUBLE_EQ(e.controlValue().toDouble(), 1.0);

    // Value types without a control show the unit alone.
    std::unique_ptr<ZEVAHVNode> bits(parameter(0, ZEVAHVNode::ReadOnly, 26));
    ZEVAHVWidgetItem f(bits.get());
    EXPECT_EQ(f.control(), nullptr);
    EXPECT_NE(f.unitLabel(), nullptr);
}

TEST(CellEditor, WalkingPastACellSendsNothing)
{
    std::unique_ptr<ZEVAHVNode> p(parameter(3, ZEVAHVNode::ReadWrite, 7));
    addProperty(p.get(), "Maxval", 100.0f);
    QWidget host;
    auto* editor = new ZEVAHVWidgetItem(p.get(), &host);
    auto* other = new QSpinBox(&host);
    host.show();
    auto* spin = qobject_cast<QSpinBox*>(editor->control());
    ASSERT_NE(spin, nullptr);
    int commits = 0;
    QObject::connect(editor, &ZEVAHVWidgetItem::endEditing, [&] { ++commits; });
    // Focus in and out without a change: the spin box reports the end of
    // editing, and the editor leaves the module alone.
    spin->setFocus();
    other->setFocus();
    QApplication::processEvents();
    emit spin->editingFinished();
    EXPECT_EQ(commits, 0);
    EXPECT_FALSE(editor->committedValue().isValid());

    // A changed value is committed once, however often the end is reported.
    spin->setValue(42);
    emit spin->editingFinished();
    emit spin->editingFinished();
    EXPECT_EQ(commits, 1);
    EXPECT_EQ(editor->committedValue().toInt(), 42);
}
