#ifndef PARAMETERORDER_H
#define PARAMETERORDER_H

#include <QStringList>
#include <QVector>

// The order in which a channel's parameters are shown: after "Name" (or from
// the front when there is none) the current and voltage set points, the
// monitors, power, status, ramps and trip come first, in that group order
// and compared without letter case; inside a group and after the groups the
// library's order stays.  Returns the permutation of indexes into `names`.
QVector<int> channelParameterOrder(const QStringList &names);

#endif // PARAMETERORDER_H
