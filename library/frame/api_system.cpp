// Crate map, board presence, system properties and system commands.
#include <cstdlib>

#include "frame/dispatch.h"

using namespace zevahv;

namespace {

constexpr int kBad = ZEVAHV_ERR_INVALIDPARAMETER;

int fixed(Op op, int family) { return not_offered(op, family).code; }

// The fixed answer of a name-list call: a code, or success with no names.
int fixed_list(Op op, int family, unsigned short *count, char **names) {
    const FixedAnswer a = not_offered(op, family);
    if (a.empty_list) {
        *count = 0;
        *names = nullptr;
    }
    return a.code;
}

}  // namespace

extern "C" ZEVAHV_API int ZEVAHV_GetCrateMap(int handle, unsigned short *NrOfSlot,
                                             unsigned short **NrofChList, char **ModelList,
                                             char **DescriptionList,
                                             unsigned short **SerNumList,
                                             unsigned char **FmwRelMinList,
                                             unsigned char **FmwRelMaxList) {
    if (!NrOfSlot || !NrofChList || !ModelList || !DescriptionList || !SerNumList ||
        !FmwRelMinList || !FmwRelMaxList)
        return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->get_crate_map) return fixed(Op::GetCrateMap, v.family);
        return v.ops->get_crate_map(v.conn, NrOfSlot, NrofChList, ModelList, DescriptionList,
                                    SerNumList, FmwRelMinList, FmwRelMaxList);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_TestBdPresence(int handle, unsigned short slot,
                                                unsigned short *NrofCh, char **Model,
                                                char **Description, unsigned short *SerNum,
                                                unsigned char *FmwRelMin,
                                                unsigned char *FmwRelMax) {
    if (!NrofCh || !Model || !Description || !SerNum || !FmwRelMin || !FmwRelMax) return kBad;
    // The text outputs must not hold anything yet: the library allocates them.
    if (*Model != nullptr || *Description != nullptr) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->test_bd_presence) return fixed(Op::TestBdPresence, v.family);
        // Allocated only once the call reaches a backend, and taken back when
        // it fails, so a refused call leaves the caller nothing to free.
        char *model = static_cast<char *>(std::calloc(kBoardTextSize, 1));
        char *description = static_cast<char *>(std::calloc(kBoardTextSize, 1));
        if (!model || !description) {
            std::free(model);
            std::free(description);
            return ZEVAHV_ERR_NOMEMORY;
        }
        char *m = model;
        char *d = description;
        const int r = v.ops->test_bd_presence(v.conn, slot, NrofCh, &m, &d, SerNum,
                                              FmwRelMin, FmwRelMax);
        if (r != ZEVAHV_OK) {
            std::free(model);
            std::free(description);
            return r;
        }
        model[kBoardTextSize - 1] = '\0';
        description[kBoardTextSize - 1] = '\0';
        *Model = model;
        *Description = description;
        return r;
    });
}

extern "C" ZEVAHV_API int ZEVAHV_GetSysPropList(int handle, unsigned short *NumProp,
                                                char **PropNameList) {
    if (!NumProp || !PropNameList) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->get_sys_prop_list)
            return fixed_list(Op::GetSysPropList, v.family, NumProp, PropNameList);
        return v.ops->get_sys_prop_list(v.conn, NumProp, PropNameList);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_GetSysPropInfo(int handle, const char *propName,
                                                unsigned *PropMode, unsigned *PropType) {
    if (!propName || !PropMode || !PropType) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->get_sys_prop_info) return fixed(Op::GetSysPropInfo, v.family);
        return v.ops->get_sys_prop_info(v.conn, propName, PropMode, PropType);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_GetSysProp(int handle, const char *propName, void *result) {
    if (!propName || !result) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->get_sys_prop) return fixed(Op::GetSysProp, v.family);
        return v.ops->get_sys_prop(v.conn, propName, result);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_SetSysProp(int handle, const char *propName, void *Set) {
    if (!propName || !Set) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->set_sys_prop) return fixed(Op::SetSysProp, v.family);
        return v.ops->set_sys_prop(v.conn, propName, Set);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_GetExecCommList(int handle, unsigned short *NumComm,
                                                 char **CommNameList) {
    if (!NumComm || !CommNameList) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->get_exec_comm_list)
            return fixed_list(Op::GetExecCommList, v.family, NumComm, CommNameList);
        return v.ops->get_exec_comm_list(v.conn, NumComm, CommNameList);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_ExecComm(int handle, const char *CommName) {
    if (!CommName) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->exec_comm) return fixed(Op::ExecComm, v.family);
        return v.ops->exec_comm(v.conn, CommName);
    });
}
