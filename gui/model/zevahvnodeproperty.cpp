#include "zevahvnodeproperty.h"

ZEVAHVNodeProperty::ZEVAHVNodeProperty(const QString &name, QObject *parent)
    : QObject(parent), m_name(name)
{
}
