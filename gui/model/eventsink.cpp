#include "eventsink.h"

#include <atomic>

namespace {
std::atomic<ZEVAHVEventSink *> g_sink{nullptr};
}

ZEVAHVEventSink *ZEVAHVEventSink::current()
{
    return g_sink.load();
}

void ZEVAHVEventSink::install(ZEVAHVEventSink *sink)
{
    g_sink.store(sink);
}
