#ifndef ZEVAHVNODEPROPERTY_H
#define ZEVAHVNODEPROPERTY_H

#include <QObject>
#include <QString>

#include "zevahvtimedvalue.h"

// One property of a parameter ("Minval", "Unit", "Enum" ...) or one of the
// five items of a board ("ChCount", "BdModel" ...).  A property that could
// not be read holds a null value.
class ZEVAHVNodeProperty : public QObject
{
    Q_OBJECT
public:
    explicit ZEVAHVNodeProperty(const QString &name = QString(), QObject *parent = nullptr);

    const QString &name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }

    const ZEVAHVTimedValue &value() const { return m_value; }
    void setValue(const ZEVAHVTimedValue &value) { m_value = value; }
    bool isNull() const { return m_value.value.isNull(); }

    // Free index; -1 until someone uses it.
    int index() const { return m_index; }
    void setIndex(int index) { m_index = index; }

    // Value type code of the node value types (0..9).
    int valueType() const { return m_valueType; }
    void setValueType(int type) { m_valueType = type; }

private:
    ZEVAHVTimedValue m_value;
    QString m_name;
    int m_index = -1;
    int m_valueType = 0;
};

#endif // ZEVAHVNODEPROPERTY_H
