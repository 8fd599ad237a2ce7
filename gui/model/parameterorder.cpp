#include "parameterorder.h"

namespace {

// Group of a parameter name, or -1 when it belongs to none.
int groupOf(const QString &name)
{
    static const QStringList groups[] = {
        {"I0Set", "ISet"}, {"V0Set", "VSet"}, {"IMon"}, {"VMon"}, {"Pw"},
        {"Status"}, {"RUp"}, {"RDwn"}, {"Trip"}};
    int g = 0;
    for (const QStringList &group : groups) {
        for (const QString &member : group)
            if (name.compare(member, Qt::CaseInsensitive) == 0)
                return g;
        ++g;
    }
    return -1;
}

} // namespace

QVector<int> channelParameterOrder(const QStringList &names)
{
    QVector<int> order;
    order.reserve(names.size());
    const int nameAt = names.indexOf(QStringLiteral("Name"));
    const int start = nameAt >= 0 ? nameAt + 1 : 0;
    for (int i = 0; i < start; ++i)
        order.append(i);
    for (int g = 0; g < 9; ++g)
        for (int i = start; i < names.size(); ++i)
            if (groupOf(names[i]) == g)
                order.append(i);
    for (int i = start; i < names.size(); ++i)
        if (groupOf(names[i]) < 0)
            order.append(i);
    return order;
}
