#include "catalog.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <tuple>

#include "ZEVAHVLink.h"
#include "failure.h"
#include "system.h"

namespace zcli {

namespace {

// A list the library allocated, released with ZEVAHV_Free.
template <class T>
struct Owned {
    T* p = nullptr;
    ~Owned() {
        if (p) ZEVAHV_Free(p);
    }
};

// The longest parameter name list believed: far more than any board has.
constexpr size_t kMaxParams = 4096;

// Room for the largest property value: on/off texts may run to 1024 bytes.
constexpr size_t kPropBuffer = 1100;

// One parameter property read into a zeroed buffer; the result code.
int read_property(const System& sys, unsigned slot, int channel, const std::string& name,
                  const char* prop, char (&buf)[kPropBuffer]) {
    std::memset(buf, 0, sizeof buf);
    auto s = static_cast<unsigned short>(slot);
    if (channel < 0) return ZEVAHV_GetBdParamProp(sys.handle(), s, name.c_str(), prop, buf);
    return ZEVAHV_GetChParamProp(sys.handle(), s, static_cast<unsigned short>(channel),
                                 name.c_str(), prop, buf);
}

template <class T>
std::optional<T> property(const System& sys, unsigned slot, int channel, const std::string& name,
                          const char* prop) {
    char buf[kPropBuffer];
    if (read_property(sys, slot, channel, name, prop, buf) != ZEVAHV_OK) return std::nullopt;
    T v;
    std::memcpy(&v, buf, sizeof v);
    return v;
}

std::string text_property(const System& sys, unsigned slot, int channel, const std::string& name,
                          const char* prop) {
    char buf[kPropBuffer];
    if (read_property(sys, slot, channel, name, prop, buf) != ZEVAHV_OK) return {};
    return std::string(buf, strnlen(buf, sizeof buf - 1));
}

std::string where(unsigned slot, int channel) {
    std::string w = "slot " + std::to_string(slot);
    if (channel >= 0) w += " channel " + std::to_string(channel);
    return w;
}

}  // namespace

bool ParamInfo::readable() const {
    return mode != ZEVAHV_PARAM_MODE_WRONLY && type != ZEVAHV_PARAM_TYPE_CMD;
}

bool ParamInfo::writable() const { return mode != ZEVAHV_PARAM_MODE_RDONLY; }

std::vector<std::string> split_param_fields(const char* list, size_t limit) {
    std::vector<std::string> names;
    if (!list) return names;
    for (size_t i = 0; i < limit; ++i) {
        const char* field = list + i * ZEVAHV_MAX_PARAM_NAME;
        if (field[0] == '\0') break;
        names.emplace_back(field, strnlen(field, ZEVAHV_MAX_PARAM_NAME));
    }
    return names;
}

std::vector<std::string> split_packed(const char* list, unsigned count) {
    std::vector<std::string> names;
    if (!list) return names;
    const char* p = list;
    for (unsigned i = 0; i < count; ++i) {
        size_t n = std::strlen(p);
        names.emplace_back(p, n);
        p += n + 1;
    }
    return names;
}

std::vector<Slot> crate_map(const System& sys) {
    unsigned short n = 0;
    Owned<unsigned short> chans, serials;
    Owned<char> models, descriptions;
    Owned<unsigned char> fw_min, fw_max;
    sys.check(ZEVAHV_GetCrateMap(sys.handle(), &n, &chans.p, &models.p, &descriptions.p,
                                 &serials.p, &fw_min.p, &fw_max.p),
              "reading the crate map");
    std::vector<Slot> map(n);
    const char* model = models.p;
    const char* desc = descriptions.p;
    for (unsigned i = 0; i < n; ++i) {
        Slot& s = map[i];
        s.index = i;
        if (chans.p) s.channels = chans.p[i];
        if (serials.p) s.serial = serials.p[i];
        if (fw_max.p) s.fw_major = fw_max.p[i];
        if (fw_min.p) s.fw_minor = fw_min.p[i];
        if (model) {
            s.model = model;
            model += s.model.size() + 1;
        }
        if (desc) {
            s.description = desc;
            desc += s.description.size() + 1;
        }
    }
    return map;
}

const Slot& present_slot(const std::vector<Slot>& map, unsigned slot) {
    if (slot >= map.size())
        throw Failure(kExitNotFound, ZEVAHV_ERR_OUTOFRANGE,
                      "slot " + std::to_string(slot) + " is beyond the crate (" +
                          (map.empty()        ? std::string("it has no slots")
                           : map.size() == 1 ? std::string("it has slot 0 only")
                                              : "slots 0 to " + std::to_string(map.size() - 1)) +
                          ")");
    if (!map[slot].present())
        throw Failure(kExitNotFound, ZEVAHV_ERR_SLOTNOTPRES,
                      "slot " + std::to_string(slot) + " is empty");
    return map[slot];
}

std::vector<std::string> board_param_names(const System& sys, unsigned slot) {
    Owned<char> list;
    sys.check(ZEVAHV_GetBdParamInfo(sys.handle(), static_cast<unsigned short>(slot), &list.p),
              "listing the board parameters of slot " + std::to_string(slot));
    return split_param_fields(list.p, kMaxParams);
}

std::vector<std::string> channel_param_names(const System& sys, unsigned slot, unsigned channel) {
    Owned<char> list;
    int count = 0;
    sys.check(ZEVAHV_GetChParamInfo(sys.handle(), static_cast<unsigned short>(slot),
                                    static_cast<unsigned short>(channel), &list.p, &count),
              "listing the channel parameters of " + where(slot, static_cast<int>(channel)));
    // The count bounds the walk as much as the end field does.
    size_t limit = count > 0 ? std::min<size_t>(static_cast<size_t>(count), kMaxParams) : 0;
    return split_param_fields(list.p, limit);
}

std::pair<std::optional<float>, std::optional<float>> param_limits(const System& sys, unsigned slot,
                                                                   int channel, const std::string& name) {
    return {property<float>(sys, slot, channel, name, "Minval"),
            property<float>(sys, slot, channel, name, "Maxval")};
}

ParamInfo describe_param(const System& sys, unsigned slot, int channel, const std::string& name) {
    ParamInfo p;
    p.name = name;
    p.board = channel < 0;
    char buf[kPropBuffer];
    int rc = read_property(sys, slot, channel, name, "Type", buf);
    sys.check(rc, "reading the properties of " + name + " on " + where(slot, channel));
    std::memcpy(&p.type, buf, sizeof p.type);
    p.type &= 0xFFFF;
    p.mode = property<unsigned>(sys, slot, channel, name, "Mode").value_or(ZEVAHV_PARAM_MODE_RDWR);

    switch (p.type) {
    case ZEVAHV_PARAM_TYPE_NUMERIC:
    case ZEVAHV_PARAM_TYPE_ENUM:
        std::tie(p.min, p.max) = param_limits(sys, slot, channel, name);
        break;
    case ZEVAHV_PARAM_TYPE_ONOFF:
        p.on_text = text_property(sys, slot, channel, name, "Onstate");
        p.off_text = text_property(sys, slot, channel, name, "Offstate");
        break;
    default:
        break;
    }
    if (p.type == ZEVAHV_PARAM_TYPE_NUMERIC || p.type == ZEVAHV_PARAM_TYPE_ENUM) {
        p.unit = property<unsigned short>(sys, slot, channel, name, "Unit").value_or(0);
        p.exp = property<short>(sys, slot, channel, name, "Exp").value_or(0);
    }
    if (p.type == ZEVAHV_PARAM_TYPE_NUMERIC)
    {
        if (auto d = property<unsigned short>(sys, slot, channel, name, "Decimal"))
            p.decimals = *d;
        else if (auto r = property<unsigned short>(sys, slot, channel, name, "Resol"))
            p.decimals = *r;
    }
    if (p.type == ZEVAHV_PARAM_TYPE_ENUM && p.min && p.max && *p.max >= *p.min) {
        char e[kPropBuffer];
        if (read_property(sys, slot, channel, name, "Enum", e) == ZEVAHV_OK) {
            auto n = static_cast<size_t>(*p.max - *p.min) + 1;
            n = std::min<size_t>(n, ZEVAHV_ENUM_COUNT);
            for (size_t k = 0; k < n; ++k) {
                const char* field = e + k * ZEVAHV_ENUM_TEXT_SIZE;
                p.choices.emplace_back(field, strnlen(field, ZEVAHV_ENUM_TEXT_SIZE));
            }
        }
    }
    return p;
}

// A packed name list with its count, as the property and command lists
// come; the result code `none`, when given, stands for an empty list.
std::vector<std::string> packed_list(const System& sys, int (*call)(int, unsigned short*, char**),
                                     const char* what, int none = ZEVAHV_OK) {
    unsigned short n = 0;
    Owned<char> list;
    int rc = call(sys.handle(), &n, &list.p);
    if (rc != ZEVAHV_OK && rc == none) return {};
    sys.check(rc, what);
    return split_packed(list.p, n);
}

std::vector<std::string> sysprop_names(const System& sys) {
    // Register-access boards answer that they offer no list at all (6):
    // for a listing that is the same as an empty one.
    return packed_list(sys, ZEVAHV_GetSysPropList, "listing the system properties",
                       ZEVAHV_ERR_NOTPRES);
}

SysProp sysprop_info(const System& sys, const std::string& name) {
    SysProp p;
    p.name = name;
    sys.check(ZEVAHV_GetSysPropInfo(sys.handle(), name.c_str(), &p.mode, &p.type),
              "system property " + name);
    return p;
}

std::vector<std::string> command_names(const System& sys) {
    return packed_list(sys, ZEVAHV_GetExecCommList, "listing the commands");
}

}  // namespace zcli
