// The fixed answers of families that do not offer an operation.  They live
// here once; a family backend leaves the entry of its operations table null
// instead of repeating them.
#include "frame/dispatch.h"

namespace zevahv {

namespace {

bool is_mainframe(int family) { return family == 0 || family == 2; }
bool is_comm_family(int family) { return family == 5 || family == 9; }

}  // namespace

FixedAnswer not_offered(Op op, int family) {
    constexpr FixedAnswer kNotOffered{ZEVAHV_ERR_NOTPRES, false};
    constexpr FixedAnswer kEmpty{ZEVAHV_OK, true};
    constexpr FixedAnswer kNoParam{ZEVAHV_ERR_PARAMNOTFOUND, false};
    if (is_mainframe(family)) {
        // Mainframes serve everything themselves; a missing operation of
        // theirs is simply not offered (subscriptions: no case, 4102).
        if (op == Op::Subscribe || op == Op::UnSubscribe) return {ZEVAHV_ERR_INVALIDLINK, false};
        return kNotOffered;
    }
    switch (op) {
    case Op::GetSysPropList:
        return is_comm_family(family) ? kNotOffered : kEmpty;
    case Op::GetSysPropInfo:
        return kNoParam;
    case Op::GetSysProp:
    case Op::SetSysProp:
        return family == 5 ? kNotOffered : kNoParam;
    case Op::GetBdParam:
        return family == 9 ? kNoParam : kNotOffered;
    case Op::SetBdParam:
        // RD40XX units have no board parameters to write: nothing is done.
        // W40XX boards have none either; their answer is "not offered".
        return family == 9 ? FixedAnswer{ZEVAHV_OK, false} : kNotOffered;
    case Op::SetChName:
        return {ZEVAHV_ERR_WRITE, false};
    case Op::ExecComm:
        return family == 9 ? FixedAnswer{ZEVAHV_ERR_EXECNOTAVAIL, false} : kNotOffered;
    case Op::GetExecCommList:
        // A family without commands has an empty command list.
        return kEmpty;
    case Op::Subscribe:
    case Op::UnSubscribe:
        return {ZEVAHV_ERR_INVALIDLINK, false};
    default:
        return kNotOffered;
    }
}

}  // namespace zevahv
