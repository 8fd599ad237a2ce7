// Board and channel parameters, their properties, and channel names.
#include "frame/dispatch.h"

using namespace zevahv;

namespace {

constexpr int kBad = ZEVAHV_ERR_INVALIDPARAMETER;

int fixed(Op op, int family) { return not_offered(op, family).code; }

}  // namespace

extern "C" ZEVAHV_API int ZEVAHV_GetBdParamInfo(int handle, unsigned short slot,
                                                char **ParNameList) {
    if (!ParNameList) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->get_bd_param_info) return fixed(Op::GetBdParamInfo, v.family);
        return v.ops->get_bd_param_info(v.conn, slot, ParNameList);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_GetBdParamProp(int handle, unsigned short slot,
                                                const char *ParName, const char *PropName,
                                                void *retval) {
    if (!ParName || !PropName || !retval) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->get_bd_param_prop) return fixed(Op::GetBdParamProp, v.family);
        return v.ops->get_bd_param_prop(v.conn, slot, ParName, PropName, retval);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_GetBdParam(int handle, unsigned short slotNum,
                                            const unsigned short *slotList,
                                            const char *ParName, void *ParValList) {
    if (!ParName || (slotNum > 0 && (!slotList || !ParValList))) return kBad;
    // The crate power supply orders this request on its connection.
    return on_open_slot(handle, true, [&](const SlotView &v) {
        if (!v.ops->get_bd_param) return fixed(Op::GetBdParam, v.family);
        return v.ops->get_bd_param(v.conn, slotNum, slotList, ParName, ParValList);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_SetBdParam(int handle, unsigned short slotNum,
                                            const unsigned short *slotList,
                                            const char *ParName, void *ParValue) {
    if (!ParName || !ParValue || (slotNum > 0 && !slotList)) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->set_bd_param) return fixed(Op::SetBdParam, v.family);
        return v.ops->set_bd_param(v.conn, slotNum, slotList, ParName, ParValue);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_GetChParamInfo(int handle, unsigned short slot,
                                                unsigned short Ch, char **ParNameList,
                                                int *ParNumber) {
    if (!ParNameList || !ParNumber) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->get_ch_param_info) return fixed(Op::GetChParamInfo, v.family);
        return v.ops->get_ch_param_info(v.conn, slot, Ch, ParNameList, ParNumber);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_GetChParamProp(int handle, unsigned short slot,
                                                unsigned short Ch, const char *ParName,
                                                const char *PropName, void *retval) {
    if (!ParName || !PropName || !retval) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->get_ch_param_prop) return fixed(Op::GetChParamProp, v.family);
        return v.ops->get_ch_param_prop(v.conn, slot, Ch, ParName, PropName, retval);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_GetChParam(int handle, unsigned short slot,
                                            const char *ParName, unsigned short ChNum,
                                            const unsigned short *ChList, void *ParValList) {
    if (!ParName || (ChNum > 0 && (!ChList || !ParValList))) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->get_ch_param) return fixed(Op::GetChParam, v.family);
        return v.ops->get_ch_param(v.conn, slot, ParName, ChNum, ChList, ParValList);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_SetChParam(int handle, unsigned short slot,
                                            const char *ParName, unsigned short ChNum,
                                            const unsigned short *ChList, void *ParValue) {
    if (!ParName || !ParValue || (ChNum > 0 && !ChList)) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->set_ch_param) return fixed(Op::SetChParam, v.family);
        return v.ops->set_ch_param(v.conn, slot, ParName, ChNum, ChList, ParValue);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_GetChName(int handle, unsigned short slot,
                                           unsigned short ChNum, const unsigned short *ChList,
                                           char (*ChNameList)[ZEVAHV_MAX_CH_NAME]) {
    if (ChNum > 0 && (!ChList || !ChNameList)) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->get_ch_name) return fixed(Op::GetChName, v.family);
        return v.ops->get_ch_name(v.conn, slot, ChNum, ChList, ChNameList);
    });
}

extern "C" ZEVAHV_API int ZEVAHV_SetChName(int handle, unsigned short slot,
                                           unsigned short ChNum, const unsigned short *ChList,
                                           const char *ChName) {
    if (!ChName || (ChNum > 0 && !ChList)) return kBad;
    return on_open_slot(handle, false, [&](const SlotView &v) {
        if (!v.ops->set_ch_name) return fixed(Op::SetChName, v.family);
        return v.ops->set_ch_name(v.conn, slot, ChNum, ChList, ChName);
    });
}
