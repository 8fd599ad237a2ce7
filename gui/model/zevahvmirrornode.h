#ifndef ZEVAHVMIRRORNODE_H
#define ZEVAHVMIRRORNODE_H

#include <QTableWidgetItem>

class ZEVAHVNode;

// The cell of a channel parameter in a second table (the custom view): one
// table item cannot sit in two tables, so the parameter's node keeps this
// mirror and gives it every text it shows.  The node owns its mirror.
class ZEVAHVMirrorNode : public QTableWidgetItem
{
public:
    explicit ZEVAHVMirrorNode(ZEVAHVNode *node);
    ZEVAHVNode *node() const { return m_node; }

private:
    ZEVAHVNode *m_node;
};

#endif // ZEVAHVMIRRORNODE_H
