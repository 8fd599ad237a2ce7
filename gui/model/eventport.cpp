#include "eventport.h"

#include <atomic>

namespace ZEVAHVEventPort {
namespace {
std::atomic<quint16> g_port{DefaultPort};
}

quint16 current() { return g_port.load(); }
void set(quint16 port) { g_port.store(port); }

} // namespace ZEVAHVEventPort
