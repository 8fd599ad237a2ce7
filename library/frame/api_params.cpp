// Board and channel parameters, their properties, and channel names.
#include "frame/dispatch.h"

using namespace zevahv;

namespace {

constexpr int kBad = ZEVAHV_ERR_INVALIDPARAMETER;

}  // namespace

extern "C" ZEVAHV_API int ZEVAHV_GetBdParamInfo(int handle, unsigned short slot,
                                                char **ParNameList) {
    if (!ParNameList) return kBad;
    return dispatch<&FamilyOps::get_bd_param_info>(handle, Op::GetBdParamInfo, slot,
                                                   ParNameList);
}

extern "C" ZEVAHV_API int ZEVAHV_GetBdParamProp(int handle, unsigned short slot,
                                                const char *ParName, const char *PropName,
                                                void *retval) {
    if (!ParName || !PropName || !retval) return kBad;
    return dispatch<&FamilyOps::get_bd_param_prop>(handle, Op::GetBdParamProp, slot, ParName,
                                                   PropName, retval);
}

extern "C" ZEVAHV_API int ZEVAHV_GetBdParam(int handle, unsigned short slotNum,
                                            const unsigned short *slotList,
                                            const char *ParName, void *ParValList) {
    if (!ParName || (slotNum > 0 && (!slotList || !ParValList))) return kBad;
    return dispatch<&FamilyOps::get_bd_param>(handle, Op::GetBdParam, slotNum, slotList,
                                              ParName, ParValList);
}

extern "C" ZEVAHV_API int ZEVAHV_SetBdParam(int handle, unsigned short slotNum,
                                            const unsigned short *slotList,
                                            const char *ParName, void *ParValue) {
    if (!ParName || !ParValue || (slotNum > 0 && !slotList)) return kBad;
    return dispatch<&FamilyOps::set_bd_param>(handle, Op::SetBdParam, slotNum, slotList,
                                              ParName, ParValue);
}

extern "C" ZEVAHV_API int ZEVAHV_GetChParamInfo(int handle, unsigned short slot,
                                                unsigned short Ch, char **ParNameList,
                                                int *ParNumber) {
    if (!ParNameList || !ParNumber) return kBad;
    return dispatch<&FamilyOps::get_ch_param_info>(handle, Op::GetChParamInfo, slot, Ch,
                                                   ParNameList, ParNumber);
}

extern "C" ZEVAHV_API int ZEVAHV_GetChParamProp(int handle, unsigned short slot,
                                                unsigned short Ch, const char *ParName,
                                                const char *PropName, void *retval) {
    if (!ParName || !PropName || !retval) return kBad;
    return dispatch<&FamilyOps::get_ch_param_prop>(handle, Op::GetChParamProp, slot, Ch,
                                                   ParName, PropName, retval);
}

extern "C" ZEVAHV_API int ZEVAHV_GetChParam(int handle, unsigned short slot,
                                            const char *ParName, unsigned short ChNum,
                                            const unsigned short *ChList, void *ParValList) {
    if (!ParName || (ChNum > 0 && (!ChList || !ParValList))) return kBad;
    return dispatch<&FamilyOps::get_ch_param>(handle, Op::GetChParam, slot, ParName, ChNum,
                                              ChList, ParValList);
}

extern "C" ZEVAHV_API int ZEVAHV_SetChParam(int handle, unsigned short slot,
                                            const char *ParName, unsigned short ChNum,
                                            const unsigned short *ChList, void *ParValue) {
    if (!ParName || !ParValue || (ChNum > 0 && !ChList)) return kBad;
    return dispatch<&FamilyOps::set_ch_param>(handle, Op::SetChParam, slot, ParName, ChNum,
                                              ChList, ParValue);
}

extern "C" ZEVAHV_API int ZEVAHV_GetChName(int handle, unsigned short slot,
                                           unsigned short ChNum, const unsigned short *ChList,
                                           char (*ChNameList)[ZEVAHV_MAX_CH_NAME]) {
    if (ChNum > 0 && (!ChList || !ChNameList)) return kBad;
    return dispatch<&FamilyOps::get_ch_name>(handle, Op::GetChName, slot, ChNum, ChList,
                                             ChNameList);
}

extern "C" ZEVAHV_API int ZEVAHV_SetChName(int handle, unsigned short slot,
                                           unsigned short ChNum, const unsigned short *ChList,
                                           const char *ChName) {
    if (!ChName || (ChNum > 0 && !ChList)) return kBad;
    return dispatch<&FamilyOps::set_ch_name>(handle, Op::SetChName, slot, ChNum, ChList,
                                             ChName);
}
