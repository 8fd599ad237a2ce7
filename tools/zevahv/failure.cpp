#include "failure.h"

#include "ZEVAHVLink.h"

namespace zcli {

const char* code_text(int code) {
    switch (code) {
    case ZEVAHV_OK: return "success";
    case ZEVAHV_ERR_SYSERR: return "operating system error";
    case ZEVAHV_ERR_WRITE: return "write failed or refused by the device";
    case ZEVAHV_ERR_READ: return "read failed or refused by the device";
    case ZEVAHV_ERR_TIMEERR: return "no reply within the time-out";
    case ZEVAHV_ERR_DOWN: return "the server closed the connection";
    case ZEVAHV_ERR_NOTPRES: return "not offered by this system";
    case ZEVAHV_ERR_SLOTNOTPRES: return "slot not present";
    case ZEVAHV_ERR_NOMEMORY: return "out of memory";
    case ZEVAHV_ERR_OUTOFRANGE: return "slot, channel or value out of range";
    case ZEVAHV_ERR_EXECNOTAVAIL: return "command known but not available";
    case ZEVAHV_ERR_PROPNOTAVAIL: return "property known but not available";
    case ZEVAHV_ERR_PROPNOTFOUND: return "system property not found";
    case ZEVAHV_ERR_EXECNOTFOUND: return "command not found";
    case ZEVAHV_ERR_NOTSYSPROP: return "not a system property (a command)";
    case ZEVAHV_ERR_NOTGETPROP: return "property cannot be read";
    case ZEVAHV_ERR_NOTSETPROP: return "property cannot be written";
    case ZEVAHV_ERR_NOTEXECOMM: return "not a command";
    case ZEVAHV_ERR_SYSCONFCHANGE: return "the system configuration changed";
    case ZEVAHV_ERR_PARAMPROPNOTFOUND: return "parameter property not found";
    case ZEVAHV_ERR_PARAMNOTFOUND: return "no such parameter or property";
    case ZEVAHV_ERR_NODATA: return "no data within the wait";
    case ZEVAHV_ERR_DEVALREADYOPEN: return "the system is already open";
    case ZEVAHV_ERR_TOOMANYDEVICEOPEN: return "all system slots in use";
    case ZEVAHV_ERR_INVALIDPARAMETER: return "invalid handle or argument";
    case ZEVAHV_ERR_FUNCTIONNOTAVAILABLE: return "the event socket belongs to no open system";
    case ZEVAHV_ERR_SOCKETERROR: return "wait or receive on the event socket failed";
    case ZEVAHV_ERR_COMMUNICATIONERROR: return "communication error (bad frame or no reply line)";
    case ZEVAHV_ERR_NOTCONNECTED: return "the system is not open";
    case ZEVAHV_ERR_OPENFAILED: return "opening the system failed";
    case ZEVAHV_ERR_INVALIDLINK: return "link or operation not served for this system";
    case ZEVAHV_ERR_LOGINFAILED: return "opening the system failed while logging in";
    default: return "failed";
    }
}

int exit_code_for(int code) {
    switch (code) {
    case ZEVAHV_ERR_SLOTNOTPRES:
    case ZEVAHV_ERR_PROPNOTFOUND:
    case ZEVAHV_ERR_EXECNOTFOUND:
    case ZEVAHV_ERR_NOTSYSPROP:
    case ZEVAHV_ERR_NOTEXECOMM:
    case ZEVAHV_ERR_PARAMPROPNOTFOUND:
    case ZEVAHV_ERR_PARAMNOTFOUND: return kExitNotFound;
    default: return kExitLibrary;
    }
}

std::string with_code(const std::string& message, int code) {
    if (code < 0) return message;
    return message + " (code " + std::to_string(code) + ")";
}

}  // namespace zcli
