#include "systemregistry.h"

#include <algorithm>
#include <mutex>

namespace QSystemRegistry {
namespace {
std::mutex &lock()
{
    static std::mutex m;
    return m;
}
std::vector<QSystemInterface *> &live()
{
    static std::vector<QSystemInterface *> v;
    return v;
}
} // namespace

void add(QSystemInterface *sys)
{
    std::lock_guard<std::mutex> g(lock());
    live().push_back(sys);
}

void remove(QSystemInterface *sys)
{
    std::lock_guard<std::mutex> g(lock());
    auto &v = live();
    v.erase(std::remove(v.begin(), v.end(), sys), v.end());
}

void withLive(const std::function<void(const std::vector<QSystemInterface *> &)> &f)
{
    std::lock_guard<std::mutex> g(lock());
    f(live());
}

} // namespace QSystemRegistry
