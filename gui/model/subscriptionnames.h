#ifndef SUBSCRIPTIONNAMES_H
#define SUBSCRIPTIONNAMES_H

#include <QStringList>

class ZEVAHVNode;

// The names of a node's parameters that take part in a subscription, in
// tree order: write-only parameters never do, nor do the root's local items
// "ConnStat" and "NrOfSlot", nor the channel parameter "Name".
QStringList subscriptionNames(const ZEVAHVNode *owner);

#endif // SUBSCRIPTIONNAMES_H
