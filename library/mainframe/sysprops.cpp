// System properties and commands: names, modes and types from the
// generation's table, values from the mainframe.
#include <cstdlib>
#include <cstring>
#include <new>

#include "mainframe/generation.h"
#include "mainframe/operations.h"
#include "mainframe/properties.h"

namespace zevahv::mainframe {

namespace {

constexpr char kTextNotFound[] = "Property not found";
constexpr char kTextNotAvailable[] = "Property yet not avalaible";
constexpr char kTextNoGet[] = "No Get Property";
constexpr char kTextNoSet[] = "No Set Property";
constexpr char kTextNoSysProp[] = "No System Property";
constexpr char kTextExecNotFound[] = "Execute command not found";
constexpr char kTextNoExec[] = "No Execute Command";
constexpr char kTextExecNotAvailable[] = "Execute command not yet avalaible";

// The names of the entries that are (or are not) commands, packed.
int name_list(Connection &c, bool commands, unsigned short *count, char **names) {
    std::size_t size = 0;
    unsigned short n = 0;
    for (const SysProp &p : all_properties()) {
        if (!has(*c.generation, p) || (p.mode == kModeCommand) != commands) continue;
        size += std::strlen(p.name) + 1;
        ++n;
    }
    char *list = static_cast<char *>(std::malloc(size == 0 ? 1 : size));
    if (!list) return c.fail(ZEVAHV_ERR_NOMEMORY, kTextNoMemory);
    char *at = list;
    for (const SysProp &p : all_properties()) {
        if (!has(*c.generation, p) || (p.mode == kModeCommand) != commands) continue;
        const std::size_t len = std::strlen(p.name) + 1;
        std::memcpy(at, p.name, len);
        at += len;
    }
    *count = n;
    *names = list;
    c.lookup_ok();
    return ZEVAHV_OK;
}

}  // namespace

int get_sys_prop_list(Connection &c, unsigned short *count, char **names) {
    return name_list(c, false, count, names);
}

int get_exec_comm_list(Connection &c, unsigned short *count, char **names) {
    return name_list(c, true, count, names);
}

int get_sys_prop_info(Connection &c, const char *name, unsigned *mode, unsigned *type) {
    const SysProp *p = find_property(*c.generation, name);
    if (p == nullptr) return c.fail(ZEVAHV_ERR_PROPNOTFOUND, kTextNotFound);
    if (p->mode == kModeCommand) return c.fail(ZEVAHV_ERR_NOTSYSPROP, kTextNoSysProp);
    *mode = p->info_mode;
    *type = p->info_type;
    c.lookup_ok();
    return ZEVAHV_OK;
}

int get_sys_prop(Connection &c, const char *name, void *result) {
    const SysProp *p = find_property(*c.generation, name);
    if (p == nullptr) return c.fail(ZEVAHV_ERR_PROPNOTFOUND, kTextNotFound);
    if (p->mode == kModeCommand || p->get_command == nullptr)
        return c.fail(ZEVAHV_ERR_NOTGETPROP, kTextNoGet);
    if (!p->available) {
        // The reset flag is not kept by the mainframe: it always reads 0.
        if (std::strcmp(p->name, "ResFlag") == 0) {
            const short zero = 0;
            std::memcpy(result, &zero, sizeof zero);
            c.lookup_ok();
            return ZEVAHV_OK;
        }
        return c.fail(ZEVAHV_ERR_PROPNOTAVAIL, kTextNotAvailable);
    }
    Reply reply;
    if (int r = c.simple(p->get_command, &reply); r != ZEVAHV_OK) return r;
    PropertyValue v;
    if (!decode_property(*c.generation, *p, reply.data(), &v))
        return c.fail(kReplyMismatch, kTextMismatch);
    store_property(v, result);
    return ZEVAHV_OK;
}

int set_sys_prop(Connection &c, const char *name, void *value) {
    const SysProp *p = find_property(*c.generation, name);
    if (p == nullptr) return c.fail(ZEVAHV_ERR_PROPNOTFOUND, kTextNotFound);
    if ((p->mode != 1 && p->mode != 2) || p->set_command == nullptr)
        return c.fail(ZEVAHV_ERR_NOTSETPROP, kTextNoSet);
    if (!p->available) return c.fail(ZEVAHV_ERR_PROPNOTAVAIL, kTextNotAvailable);
    const Command *cmd = c.command(p->set_command);
    if (cmd == nullptr) return c.fail(ZEVAHV_ERR_NOTSETPROP, kTextNoSet);
    Request probe = c.request(*cmd, false);
    Request req = c.request(*cmd, true);
    const bool has_arg = append_property_argument(*c.generation, *p, value, req);
    return c.transact(*cmd, has_arg ? req : probe, nullptr);
}

int exec_comm(Connection &c, const char *name) {
    const SysProp *p = find_property(*c.generation, name);
    if (p == nullptr) return c.fail(ZEVAHV_ERR_EXECNOTFOUND, kTextExecNotFound);
    if (p->mode != kModeCommand) return c.fail(ZEVAHV_ERR_NOTEXECOMM, kTextNoExec);
    if (!p->available) return c.fail(ZEVAHV_ERR_EXECNOTAVAIL, kTextExecNotAvailable);
    // Each command is two requests: the first arms it (its answer is read
    // but not judged), the second runs it.
    const char *first = p->number == 1 ? "KILL_1" : "CLRALARM_1";
    const char *second = p->number == 1 ? "KILL_2" : "CLRALARM_2";
    if (const Command *cmd = c.command(first)) {
        Request req = c.request(*cmd, false);
        if (int r = c.transact(*cmd, req, nullptr, false); r != ZEVAHV_OK) return r;
    }
    Reply reply;
    return c.simple(second, &reply);
}

}  // namespace zevahv::mainframe
