#ifndef SYSTEMREGISTRY_H
#define SYSTEMREGISTRY_H

#include <functional>
#include <vector>

class QSystemInterface;

// The live system interfaces, in the order they were created.  The event
// server walks them from its own thread while the GUI thread may delete one:
// an interface leaves the registry at the start of its destructor, under the
// same lock the server holds while it matches and attaches a connection, so
// the server never touches an interface that is being deleted.
namespace QSystemRegistry {

void add(QSystemInterface *sys);
void remove(QSystemInterface *sys);
// Runs `f` with the live interfaces while holding the registry lock.
void withLive(const std::function<void(const std::vector<QSystemInterface *> &)> &f);

} // namespace QSystemRegistry

#endif // SYSTEMREGISTRY_H
