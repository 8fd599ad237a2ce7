#include "subscriptionnames.h"

#include "zevahvnode.h"

QStringList subscriptionNames(const ZEVAHVNode *owner)
{
    QStringList names;
    if (!owner)
        return names;
    for (const ZEVAHVNode *p : owner->parameters()) {
        if (p->accessMode() == ZEVAHVNode::WriteOnly)
            continue;
        if (p->kind() == ZEVAHVNode::KindLocalItem)
            continue;  // "ConnStat", "NrOfSlot": known only to the program
        if (owner->kind() == ZEVAHVNode::KindRoot
            && (p->name() == QLatin1String("ConnStat") || p->name() == QLatin1String("NrOfSlot")))
            continue;
        if (owner->kind() == ZEVAHVNode::KindChannel && p->name() == QLatin1String("Name"))
            continue;
        names << p->name();
    }
    return names;
}
