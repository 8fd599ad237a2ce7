// Crate map, board presence, system properties and system commands.
#include <cstdlib>

#include "frame/dispatch.h"

using namespace zevahv;

namespace {

constexpr int kBad = ZEVAHV_ERR_INVALIDPARAMETER;

// A name-list call: the family's operation, or its fixed answer, which may
// be success with no names (a count of 0 and a null list).
template <auto Member>
int name_list(int handle, Op op, unsigned short *count, char **names) {
    return on_open_slot(handle, op, [&](const SlotView &v) -> int {
        if (const auto fn = v.ops->*Member) return fn(v.ctx, count, names);
        const FixedAnswer a = not_offered(op, v);
        if (a.empty_list) {
            *count = 0;
            *names = nullptr;
        }
        return a.code;
    });
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
    return dispatch<&FamilyOps::get_crate_map>(handle, Op::GetCrateMap, NrOfSlot, NrofChList,
                                               ModelList, DescriptionList, SerNumList,
                                               FmwRelMinList, FmwRelMaxList);
}

extern "C" ZEVAHV_API int ZEVAHV_TestBdPresence(int handle, unsigned short slot,
                                                unsigned short *NrofCh, char **Model,
                                                char **Description, unsigned short *SerNum,
                                                unsigned char *FmwRelMin,
                                                unsigned char *FmwRelMax) {
    if (!NrofCh || !Model || !Description || !SerNum || !FmwRelMin || !FmwRelMax) return kBad;
    // The text outputs must not hold anything yet: the library allocates them.
    if (*Model != nullptr || *Description != nullptr) return kBad;
    return on_open_slot(handle, Op::TestBdPresence, [&](const SlotView &v) -> int {
        if (!v.ops->test_bd_presence) return not_offered(Op::TestBdPresence, v).code;
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
        const int r = v.ops->test_bd_presence(v.ctx, slot, NrofCh, &m, &d, SerNum,
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
    return name_list<&FamilyOps::get_sys_prop_list>(handle, Op::GetSysPropList, NumProp,
                                                    PropNameList);
}

extern "C" ZEVAHV_API int ZEVAHV_GetSysPropInfo(int handle, const char *propName,
                                                unsigned *PropMode, unsigned *PropType) {
    if (!propName || !PropMode || !PropType) return kBad;
    return dispatch<&FamilyOps::get_sys_prop_info>(handle, Op::GetSysPropInfo, propName,
                                                   PropMode, PropType);
}

extern "C" ZEVAHV_API int ZEVAHV_GetSysProp(int handle, const char *propName, void *result) {
    if (!propName || !result) return kBad;
    return dispatch<&FamilyOps::get_sys_prop>(handle, Op::GetSysProp, propName, result);
}

extern "C" ZEVAHV_API int ZEVAHV_SetSysProp(int handle, const char *propName, void *Set) {
    if (!propName || !Set) return kBad;
    return dispatch<&FamilyOps::set_sys_prop>(handle, Op::SetSysProp, propName, Set);
}

extern "C" ZEVAHV_API int ZEVAHV_GetExecCommList(int handle, unsigned short *NumComm,
                                                 char **CommNameList) {
    if (!NumComm || !CommNameList) return kBad;
    return name_list<&FamilyOps::get_exec_comm_list>(handle, Op::GetExecCommList, NumComm,
                                                     CommNameList);
}

extern "C" ZEVAHV_API int ZEVAHV_ExecComm(int handle, const char *CommName) {
    if (!CommName) return kBad;
    return dispatch<&FamilyOps::exec_comm>(handle, Op::ExecComm, CommName);
}
