#ifndef TREEBUILDER_H
#define TREEBUILDER_H

#include <QString>
#include <QStringList>
#include <QVector>

class ZEVAHVNode;

// Reading a system's description from the library into the device tree.
// Every list the library allocates is released with ZEVAHV_Free; a list or
// info call that fails leaves that part of the tree empty.
namespace ZEVAHVTree {

// The names of a parameter name list: 10-byte fields ended by an empty one.
// At most `maxFields` fields are looked at.
QStringList parseParameterNames(const char *list, int maxFields = 512);

// System properties of the root; "IPAddr" takes the connection argument.
void addSystemProperties(ZEVAHVNode *root, int handle, const QString &connectionArgument);
// The slot nodes of the crate map, in slot order (empty slots as kind 8).
// `slotCount` receives the number of slots (0 when the call fails).
QVector<ZEVAHVNode *> readCrateMap(int handle, quint16 *slotCount);
// The five board items ("ChCount" ...) as properties of a board node.
void addBoardItems(ZEVAHVNode *board);
// Board parameters, with their properties and values.
void addBoardParameters(ZEVAHVNode *board, int handle);
// Channels of a board (already in the tree), each with its parameters in
// group order.
void addChannels(ZEVAHVNode *board, int handle);
// "ConnStat" and "NrOfSlot" of the root.
void addLocalItems(ZEVAHVNode *root);

} // namespace ZEVAHVTree

#endif // TREEBUILDER_H
