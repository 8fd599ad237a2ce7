#include "zevahvmirrornode.h"

ZEVAHVMirrorNode::ZEVAHVMirrorNode(ZEVAHVNode *node)
    : QTableWidgetItem(), m_node(node)
{
}
