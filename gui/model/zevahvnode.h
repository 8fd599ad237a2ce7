#ifndef ZEVAHVNODE_H
#define ZEVAHVNODE_H

#include <QString>
#include <QStringList>
#include <QTableWidgetItem>
#include <QVector>

#include "ZEVAHVLink.h"
#include "zevahvnodeproperty.h"
#include "zevahvtimedvalue.h"

class ZEVAHVMirrorNode;

// One node of a system's device tree: the root, a system property, a slot
// (board or empty place), a board parameter, a channel or a channel
// parameter.  A channel parameter node is at the same time the table cell
// that shows it: every new value recomputes its text.
//
// Ownership: a node owns its children, its parameters, its properties and
// its mirror.  A table that holds nodes as cells must take them out
// (QTableWidget::takeItem) before it is destroyed, because the tree, not the
// table, deletes them.  Deleting a node that still sits in a table is safe:
// the item leaves the table first.
//
// The tree is read and written in the GUI thread only.
class ZEVAHVNode : public QTableWidgetItem
{
public:
    enum Kind {
        KindRoot = 0,             // the system, named by the user
        KindLocalItem = 1,        // "ConnStat", "NrOfSlot"
        KindSystemProperty = 2,
        KindBoard = 3,            // "Board%02d"
        KindBoardParameter = 4,
        KindChannel = 5,          // "Chan%03d"
        KindChannelParameter = 6,
        KindEmpty = 8             // empty slot; also the custom-view root
    };
    enum AccessMode { ReadOnly = 0, WriteOnly = 1, ReadWrite = 2, OtherAccess = 3 };
    enum ConnectionState { ConnectionPending = 0, ConnectionOk = 1, ConnectionLost = 2 };

    explicit ZEVAHVNode(const QString &name = QString(), int kind = KindEmpty);
    // The root of a system.
    ZEVAHVNode(const QString &name, int kind, int systemType, int linkType,
               const QString &connectionArgument, const QString &user,
               const QString &password);
    ~ZEVAHVNode() override;

    ZEVAHVNode(const ZEVAHVNode &) = delete;
    ZEVAHVNode &operator=(const ZEVAHVNode &) = delete;

    // --- structure -------------------------------------------------------
    // The three add operations take ownership.  A node added under a parent
    // whose kind is not 8 takes the parent's system type and handle.
    void addChild(ZEVAHVNode *child);
    void addParameter(ZEVAHVNode *parameter);
    void addProperty(ZEVAHVNodeProperty *property);
    // Takes a child out without deleting it (the custom-view root gathers
    // roots that belong to their interfaces).
    bool removeChild(ZEVAHVNode *child);

    const QVector<ZEVAHVNode *> &children() const { return m_children; }
    const QVector<ZEVAHVNode *> &parameters() const { return m_parameters; }
    const QVector<ZEVAHVNodeProperty *> &properties() const { return m_properties; }
    ZEVAHVNode *parentNode() const { return m_parent; }

    ZEVAHVNode *findParameter(const QString &name) const;
    ZEVAHVNodeProperty *findProperty(const QString &name) const;
    // The item an event names: board -1 and channel -1 for a system
    // property or local item, channel -1 for a board parameter.
    ZEVAHVNode *findItem(int board, int channel, const QString &itemName) const;
    // Reorders the parameters by the given permutation of their indexes.
    void reorderParameters(const QVector<int> &order);

    // --- identity ----------------------------------------------------------
    const QString &name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    int kind() const { return m_kind; }
    // Setting kind 6 creates the node's mirror cell.
    void setKind(int kind);
    ZEVAHVMirrorNode *mirror() const { return m_mirror; }

    int accessMode() const { return m_accessMode; }
    void setAccessMode(int mode) { m_accessMode = mode; }
    int valueType() const { return m_valueType; }
    void setValueType(int type) { m_valueType = type; }
    int libraryType() const { return m_libraryType; }
    void setLibraryType(int type) { m_libraryType = type; }

    int handle() const { return m_handle; }
    // Sets the handle on this node and everything below it.
    void setHandle(int handle);
    int systemType() const { return m_systemType; }
    void setSystemType(int type) { m_systemType = type; }
    int linkType() const { return m_linkType; }
    void setLinkType(int type) { m_linkType = type; }

    // --- value -------------------------------------------------------------
    const ZEVAHVTimedValue &value() const { return m_value; }
    // Stores the value and, for a channel parameter, recomputes the shown
    // text (and the mirror's).
    void setValue(const ZEVAHVTimedValue &value);
    // Converts an event or read buffer (at most `size` bytes are looked at)
    // by this node's value type and stores it with the current time.
    void setValueFromBytes(const char *bytes, int size);
    // The text the cell shows for the current value (channel parameters).
    QString shownText() const;
    // Writes a value through the library, one item at a time; returns the
    // library's result, -1 for a library type (or node kind) that cannot be
    // written.  The node's value is updated after a successful write.  An
    // enumeration takes its value (Minval + list index), an on/off
    // parameter a bool, the channel parameter "Name" a text.
    int writeValue(const QVariant &value);

    // The parameter node behind a table cell: the node itself or the node a
    // mirror cell refers to; null for any other item.
    static ZEVAHVNode *nodeOf(QTableWidgetItem *item);

    const QString &unitText() const { return m_unitText; }
    void setUnitText(const QString &text) { m_unitText = text; }
    int decimals() const { return m_decimals; }
    void setDecimals(int decimals) { m_decimals = decimals; }

    // Alarm flag of a channel (set from the status parameter).
    bool isInAlarm() const { return m_inAlarm; }
    void setInAlarm(bool alarm) { m_inAlarm = alarm; }

    // --- view flags ----------------------------------------------------------
    int visualIndex() const { return m_visualIndex; }
    void setVisualIndex(int index) { m_visualIndex = index; }
    int customViewVisualIndex() const { return m_customViewVisualIndex; }
    void setCustomViewVisualIndex(int index) { m_customViewVisualIndex = index; }
    bool isEnabled() const { return m_isEnabled; }
    void setEnabled(bool enabled) { m_isEnabled = enabled; }
    bool isEnabledInCustomView() const { return m_isEnabledInCustomView; }
    void setEnabledInCustomView(bool enabled) { m_isEnabledInCustomView = enabled; }
    // Two free flags.  The first is raised on roots of every system type
    // except 2, 3, 8 and 12; nothing in the program reads either.
    bool auxFlag() const { return m_auxFlag; }
    void setAuxFlag(bool on) { m_auxFlag = on; }
    bool auxFlag2() const { return m_auxFlag2; }
    void setAuxFlag2(bool on) { m_auxFlag2 = on; }

    // --- root --------------------------------------------------------------
    const QString &connectionArgument() const { return m_connectionArgument; }
    void setConnectionArgument(const QString &arg) { m_connectionArgument = arg; }
    const QString &user() const { return m_user; }
    const QString &password() const { return m_password; }
    quint16 slotCount() const { return m_slotCount; }
    void setSlotCount(quint16 count) { m_slotCount = count; }
    int connectionState() const { return m_connectionState; }
    // A state other than 1 re-stamps every node below with the current time
    // and tag 1; the "ConnStat" item follows the state.
    void setConnectionState(int state);
    // Gives every node below the root its value again with the current time
    // and the given tag.
    void restamp(int tag);

    // --- board -------------------------------------------------------------
    const QString &model() const { return m_model; }
    void setModel(const QString &model) { m_model = model; }
    const QString &description() const { return m_description; }
    void setDescription(const QString &text) { m_description = text; }
    int channelCount() const { return m_channelCount; }
    void setChannelCount(int count) { m_channelCount = count; }
    // Firmware release as two-digit texts: the first is the minor number,
    // the second the major number.
    const QString &firmwareRelease1() const { return m_firmware1; }
    const QString &firmwareRelease2() const { return m_firmware2; }
    void setFirmwareReleases(const QString &first, const QString &second) {
        m_firmware1 = first;
        m_firmware2 = second;
    }
    int serialNumber() const { return m_serialNumber; }
    void setSerialNumber(int number) { m_serialNumber = number; }
    const QString &label() const { return m_label; }
    void setLabel(const QString &label) { m_label = label; }

    quint16 slot() const { return m_slot; }
    void setSlot(quint16 slot) { m_slot = slot; }
    quint16 channel() const { return m_channel; }
    void setChannel(quint16 channel) { m_channel = channel; }

private:
    void adoptFromParent(ZEVAHVNode *child);
    void refreshCell();

    ZEVAHVMirrorNode *m_mirror = nullptr;
    QVector<ZEVAHVNode *> m_children;
    QVector<ZEVAHVNode *> m_parameters;
    QVector<ZEVAHVNodeProperty *> m_properties;
    QString m_name;
    int m_kind = KindEmpty;
    int m_accessMode = ReadOnly;
    int m_valueType = 7;
    ZEVAHVTimedValue m_value;
    int m_handle = -1;
    int m_systemType = -1;
    int m_visualIndex = -1;
    int m_customViewVisualIndex = -1;
    int m_linkType = -1;
    QString m_connectionArgument;
    QString m_user;
    QString m_password;
    quint16 m_slotCount = 0;
    int m_connectionState = ConnectionPending;
    QString m_model;
    QString m_description;
    int m_channelCount = 0;
    QString m_firmware1;
    QString m_firmware2;
    int m_serialNumber = 0;
    quint16 m_slot = 0;
    quint16 m_channel = 0;
    QString m_label;
    int m_libraryType = -1;
    QString m_unitText;
    int m_decimals = 0;
    bool m_isEnabled = true;
    bool m_isEnabledInCustomView = true;
    bool m_auxFlag = false;
    bool m_auxFlag2 = false;
    bool m_inAlarm = false;
    ZEVAHVNode *m_parent = nullptr;
};

#endif // ZEVAHVNODE_H
