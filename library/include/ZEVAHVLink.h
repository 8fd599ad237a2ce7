/*
 * ZEVAHVLink: one plain C interface to the ZEVA high-voltage systems and
 * NIM modules (mainframes, NIM and desktop modules, VME boards, the crate
 * power supply).
 *
 * A client opens a system with ZEVAHV_InitSystem, receives a small integer
 * handle (0..99) and passes it to every other call.  Every call returns an
 * int result code (0 = success, see the ZEVAHV_ERR_* constants), except the
 * three that return text.  Lists returned through a pointer-to-pointer
 * argument belong to the caller, who releases them with ZEVAHV_Free; event
 * arrays are released with ZEVAHV_FreeEventData.
 *
 * This header is plain C99 and C++ compatible.
 */
#ifndef ZEVAHVLINK_H
#define ZEVAHVLINK_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#  if defined(ZEVAHV_BUILDING_LIBRARY)
#    define ZEVAHV_API __declspec(dllexport)
#  else
#    define ZEVAHV_API __declspec(dllimport)
#  endif
#else
#  define ZEVAHV_API __attribute__((visibility("default")))
#endif

/* ------------------------------------------------------------------------ */
/* Result codes                                                              */
/* ------------------------------------------------------------------------ */
#define ZEVAHV_OK                    0
#define ZEVAHV_ERR_SYSERR            1     /* socket could not be created */
#define ZEVAHV_ERR_WRITE             2     /* write failed / not offered (names) */
#define ZEVAHV_ERR_READ              3     /* read failed */
#define ZEVAHV_ERR_TIMEERR           4     /* no reply within the time-out */
#define ZEVAHV_ERR_DOWN              5     /* server closed the connection */
#define ZEVAHV_ERR_NOTPRES           6     /* operation not offered by this family */
#define ZEVAHV_ERR_SLOTNOTPRES       7     /* board slot not present */
#define ZEVAHV_ERR_NOMEMORY          9     /* out of memory */
#define ZEVAHV_ERR_OUTOFRANGE        10    /* slot, channel or value index out of range */
#define ZEVAHV_ERR_EXECNOTAVAIL      11    /* command known but not available */
#define ZEVAHV_ERR_PROPNOTAVAIL      12    /* system property known but not available */
#define ZEVAHV_ERR_PROPNOTFOUND      14    /* system property name unknown */
#define ZEVAHV_ERR_EXECNOTFOUND      15    /* command name unknown */
#define ZEVAHV_ERR_NOTSYSPROP        16    /* name is a command, not a property */
#define ZEVAHV_ERR_NOTGETPROP        17    /* property cannot be read */
#define ZEVAHV_ERR_NOTSETPROP        18    /* property cannot be written */
#define ZEVAHV_ERR_NOTEXECOMM        19    /* name is not a command */
#define ZEVAHV_ERR_SYSCONFCHANGE     20    /* configuration changed since read */
#define ZEVAHV_ERR_PARAMPROPNOTFOUND 21    /* parameter property name unknown */
#define ZEVAHV_ERR_PARAMNOTFOUND     22    /* parameter name unknown */
#define ZEVAHV_ERR_NODATA            23    /* no event within the wait */
#define ZEVAHV_ERR_DEVALREADYOPEN    24    /* same system already open */
#define ZEVAHV_ERR_TOOMANYDEVICEOPEN 25    /* all 100 system slots in use */
#define ZEVAHV_ERR_INVALIDPARAMETER  26    /* invalid handle or argument */
#define ZEVAHV_ERR_FUNCTIONNOTAVAILABLE 27 /* event socket of no open system */
#define ZEVAHV_ERR_SOCKETERROR       28    /* wait or receive on event socket failed */
#define ZEVAHV_ERR_COMMUNICATIONERROR 29   /* bad frame header / line not read */
#define ZEVAHV_ERR_NOTCONNECTED      0x1002 /* 4098: slot not open */
#define ZEVAHV_ERR_OPENFAILED        0x1004 /* 4100: opening failed */
#define ZEVAHV_ERR_INVALIDLINK       0x1006 /* 4102: unknown link / no case */
#define ZEVAHV_ERR_LOGINFAILED       0x1007 /* 4103: opening failed while logging in */

/* ------------------------------------------------------------------------ */
/* System type codes (first argument of ZEVAHV_InitSystem)                   */
/* ------------------------------------------------------------------------ */
#define ZEVAHV_SYS_KR2210   0
#define ZEVAHV_SYS_KR2220   1
#define ZEVAHV_SYS_KR2440   2
#define ZEVAHV_SYS_KR2550   3
#define ZEVAHV_SYS_W40XX    5
#define ZEVAHV_SYS_Q3815    6
#define ZEVAHV_SYS_W7300    7
#define ZEVAHV_SYS_P731X    8
#define ZEVAHV_SYS_RD40XX   9
#define ZEVAHV_SYS_ZBK      10
#define ZEVAHV_SYS_RD40XXE  11
#define ZEVAHV_SYS_Q2904    12
#define ZEVAHV_SYS_LUMENHV  13
#define ZEVAHV_SYS_KQPS     14
#define ZEVAHV_SYS_Q2906    15

/* ------------------------------------------------------------------------ */
/* Link type codes (second argument of ZEVAHV_InitSystem)                    */
/* ------------------------------------------------------------------------ */
#define ZEVAHV_LINK_TCPIP   0   /* "TCP/IP"  */
#define ZEVAHV_LINK_USB     3   /* "USB"     */
#define ZEVAHV_LINK_OPTLINK 4   /* "OPTLINK" */
#define ZEVAHV_LINK_USBVCP  5   /* "USBVCP": USB virtual serial port */
#define ZEVAHV_LINK_USB3    6   /* "USB3"    */
#define ZEVAHV_LINK_B7301   7   /* "B7301": optical-link bridge */

/* ------------------------------------------------------------------------ */
/* Parameter type codes (property "Type")                                    */
/* ------------------------------------------------------------------------ */
#define ZEVAHV_PARAM_TYPE_NUMERIC   0  /* float */
#define ZEVAHV_PARAM_TYPE_ONOFF     1  /* unsigned 0/1 */
#define ZEVAHV_PARAM_TYPE_CHSTATUS  2  /* unsigned bit field */
#define ZEVAHV_PARAM_TYPE_BDSTATUS  3  /* unsigned bit field */
#define ZEVAHV_PARAM_TYPE_BINARY    4  /* raw unsigned (mainframes) */
#define ZEVAHV_PARAM_TYPE_STRING    5  /* NUL-terminated text */
#define ZEVAHV_PARAM_TYPE_ENUM      6  /* unsigned index Minval..Maxval */
#define ZEVAHV_PARAM_TYPE_CMD       7  /* command, no value */

/* Parameter access modes (property "Mode") */
#define ZEVAHV_PARAM_MODE_RDONLY    0
#define ZEVAHV_PARAM_MODE_WRONLY    1
#define ZEVAHV_PARAM_MODE_RDWR      2

/* System property access modes and types (ZEVAHV_GetSysPropInfo) */
#define ZEVAHV_SYSPROP_MODE_RDONLY  0
#define ZEVAHV_SYSPROP_MODE_WRONLY  1
#define ZEVAHV_SYSPROP_MODE_RDWR    2
#define ZEVAHV_SYSPROP_TYPE_STR     0
#define ZEVAHV_SYSPROP_TYPE_UINT2   2
#define ZEVAHV_SYSPROP_TYPE_UINT4   3
#define ZEVAHV_SYSPROP_TYPE_FREQ    4

/* Unit codes (property "Unit") */
#define ZEVAHV_PARAM_UN_NONE     0
#define ZEVAHV_PARAM_UN_AMPERE   1
#define ZEVAHV_PARAM_UN_VOLT     2
#define ZEVAHV_PARAM_UN_WATT     3
#define ZEVAHV_PARAM_UN_CELSIUS  4
#define ZEVAHV_PARAM_UN_HERTZ    5
#define ZEVAHV_PARAM_UN_BAR      6
#define ZEVAHV_PARAM_UN_VPS      7
#define ZEVAHV_PARAM_UN_SECOND   8
#define ZEVAHV_PARAM_UN_RPM      9
#define ZEVAHV_PARAM_UN_COUNT    10
#define ZEVAHV_PARAM_UN_BIT      11

/* Event kinds (first field of IDValue_t as returned to the client) */
#define ZEVAHV_EVENT_PARAMETER      0
#define ZEVAHV_EVENT_LIVEINSERTION  1
#define ZEVAHV_EVENT_KEEPALIVE      2
#define ZEVAHV_EVENT_TRMODE         3

/* Field sizes */
#define ZEVAHV_MAX_PARAM_NAME    10   /* parameter name field, 9 chars + NUL */
#define ZEVAHV_MAX_CH_NAME       12   /* channel name field, 11 chars + NUL */
#define ZEVAHV_MAX_PROP_NAME     10
#define ZEVAHV_MAX_SYSPROP_NAME  30   /* system property / command, 29 + NUL */
#define ZEVAHV_EVENT_ITEM_SIZE   20
#define ZEVAHV_EVENT_VALUE_SIZE  1024
#define ZEVAHV_ENUM_TEXT_SIZE    15   /* one "Enum" text field */
#define ZEVAHV_ENUM_COUNT        10   /* fields in the "Enum" property value */
#define ZEVAHV_MAX_SYSTEMS       100

/* ------------------------------------------------------------------------ */
/* Records                                                                   */
/* ------------------------------------------------------------------------ */

/* One event: 1060 bytes. */
typedef struct {
    int  Type;          /* event kind: ZEVAHV_EVENT_* */
    int  SystemHandle;  /* mainframes: the handle; polling threads: module slot */
    int  BoardIndex;    /* slot number, -1 for system items */
    int  ChannelIndex;  /* channel number, -1 for board and system items */
    char Item[ZEVAHV_EVENT_ITEM_SIZE];    /* parameter or property name */
    char Value[ZEVAHV_EVENT_VALUE_SIZE];  /* float, unsigned or text by type */
} IDValue_t;

/* The system's state, then the state of boards 0 to 15 (each 0..3). */
typedef struct {
    int System;
    int Board[16];
} ZEVAHV_SYSTEMSTATUS_t;

#if defined(__cplusplus) && __cplusplus >= 201103L
static_assert(sizeof(IDValue_t) == 1060, "IDValue_t must be 1060 bytes");
static_assert(sizeof(ZEVAHV_SYSTEMSTATUS_t) == 17 * sizeof(int), "status is 17 ints");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(sizeof(IDValue_t) == 1060, "IDValue_t must be 1060 bytes");
_Static_assert(sizeof(ZEVAHV_SYSTEMSTATUS_t) == 17 * sizeof(int), "status is 17 ints");
#else
/* C99: a negative array size stops the build if a layout is wrong. */
typedef char zevahv_check_idvalue_size[(sizeof(IDValue_t) == 1060) ? 1 : -1];
typedef char zevahv_check_status_size[(sizeof(ZEVAHV_SYSTEMSTATUS_t) == 17 * sizeof(int)) ? 1 : -1];
#endif

/* ------------------------------------------------------------------------ */
/* Open, close, release and error text                                       */
/* ------------------------------------------------------------------------ */
ZEVAHV_API int ZEVAHV_InitSystem(int SystemType, int LinkType, void *Arg,
                                 const char *UserName, const char *Passwd,
                                 int *handle);
ZEVAHV_API int ZEVAHV_DeinitSystem(int handle);
ZEVAHV_API char *ZEVAHVLibSwRel(void);
ZEVAHV_API const char *ZEVAHV_GetError(int handle);
ZEVAHV_API const char *ZEVAHVGetError(const char *SystemName);
ZEVAHV_API int ZEVAHV_Free(void *arg);

/* ------------------------------------------------------------------------ */
/* Crate map, system properties and commands                                 */
/* ------------------------------------------------------------------------ */
ZEVAHV_API int ZEVAHV_GetCrateMap(int handle, unsigned short *NrOfSlot,
                                  unsigned short **NrofChList, char **ModelList,
                                  char **DescriptionList,
                                  unsigned short **SerNumList,
                                  unsigned char **FmwRelMinList,
                                  unsigned char **FmwRelMaxList);
ZEVAHV_API int ZEVAHV_TestBdPresence(int handle, unsigned short slot,
                                     unsigned short *NrofCh, char **Model,
                                     char **Description, unsigned short *SerNum,
                                     unsigned char *FmwRelMin,
                                     unsigned char *FmwRelMax);
ZEVAHV_API int ZEVAHV_GetSysPropList(int handle, unsigned short *NumProp,
                                     char **PropNameList);
ZEVAHV_API int ZEVAHV_GetSysPropInfo(int handle, const char *propName,
                                     unsigned *PropMode, unsigned *PropType);
ZEVAHV_API int ZEVAHV_GetSysProp(int handle, const char *propName, void *result);
ZEVAHV_API int ZEVAHV_SetSysProp(int handle, const char *propName, void *Set);
ZEVAHV_API int ZEVAHV_GetExecCommList(int handle, unsigned short *NumComm,
                                      char **CommNameList);
ZEVAHV_API int ZEVAHV_ExecComm(int handle, const char *CommName);

/* ------------------------------------------------------------------------ */
/* Board and channel parameters                                              */
/* ------------------------------------------------------------------------ */
ZEVAHV_API int ZEVAHV_GetBdParamInfo(int handle, unsigned short slot,
                                     char **ParNameList);
ZEVAHV_API int ZEVAHV_GetBdParamProp(int handle, unsigned short slot,
                                     const char *ParName, const char *PropName,
                                     void *retval);
ZEVAHV_API int ZEVAHV_GetBdParam(int handle, unsigned short slotNum,
                                 const unsigned short *slotList,
                                 const char *ParName, void *ParValList);
ZEVAHV_API int ZEVAHV_SetBdParam(int handle, unsigned short slotNum,
                                 const unsigned short *slotList,
                                 const char *ParName, void *ParValue);
ZEVAHV_API int ZEVAHV_GetChParamInfo(int handle, unsigned short slot,
                                     unsigned short Ch, char **ParNameList,
                                     int *ParNumber);
ZEVAHV_API int ZEVAHV_GetChParamProp(int handle, unsigned short slot,
                                     unsigned short Ch, const char *ParName,
                                     const char *PropName, void *retval);
ZEVAHV_API int ZEVAHV_GetChParam(int handle, unsigned short slot,
                                 const char *ParName, unsigned short ChNum,
                                 const unsigned short *ChList, void *ParValList);
ZEVAHV_API int ZEVAHV_SetChParam(int handle, unsigned short slot,
                                 const char *ParName, unsigned short ChNum,
                                 const unsigned short *ChList, void *ParValue);
ZEVAHV_API int ZEVAHV_GetChName(int handle, unsigned short slot,
                                unsigned short ChNum,
                                const unsigned short *ChList,
                                char (*ChNameList)[ZEVAHV_MAX_CH_NAME]);
ZEVAHV_API int ZEVAHV_SetChName(int handle, unsigned short slot,
                                unsigned short ChNum,
                                const unsigned short *ChList,
                                const char *ChName);

/* ------------------------------------------------------------------------ */
/* Subscriptions and events                                                  */
/* ------------------------------------------------------------------------ */
/* The client port travels as a short; it is read as an unsigned 16-bit port. */
ZEVAHV_API int ZEVAHV_Subscribe(int handle, short Port, unsigned short paramNum,
                                const char *paramList, char *listOfResultCodes);
ZEVAHV_API int ZEVAHV_UnSubscribe(int handle, short Port, unsigned short paramNum,
                                  const char *paramList, char *listOfResultCodes);
ZEVAHV_API int ZEVAHV_SubscribeSystemParams(int handle, short Port,
                                            const char *paramNameList,
                                            unsigned int paramNum,
                                            char *listOfResultCodes);
ZEVAHV_API int ZEVAHV_SubscribeBoardParams(int handle, short Port,
                                           unsigned short slotIndex,
                                           const char *paramNameList,
                                           unsigned int paramNum,
                                           char *listOfResultCodes);
ZEVAHV_API int ZEVAHV_SubscribeChannelParams(int handle, short Port,
                                             unsigned short slotIndex,
                                             unsigned short chanIndex,
                                             const char *paramNameList,
                                             unsigned int paramNum,
                                             char *listOfResultCodes);
ZEVAHV_API int ZEVAHV_UnSubscribeSystemParams(int handle, short Port,
                                              const char *paramNameList,
                                              unsigned int paramNum,
                                              char *listOfResultCodes);
ZEVAHV_API int ZEVAHV_UnSubscribeBoardParams(int handle, short Port,
                                             unsigned short slotIndex,
                                             const char *paramNameList,
                                             unsigned int paramNum,
                                             char *listOfResultCodes);
ZEVAHV_API int ZEVAHV_UnSubscribeChannelParams(int handle, short Port,
                                               unsigned short slotIndex,
                                               unsigned short chanIndex,
                                               const char *paramNameList,
                                               unsigned int paramNum,
                                               char *listOfResultCodes);

ZEVAHV_API int ZEVAHV_GetEventData(int sck, ZEVAHV_SYSTEMSTATUS_t *SysStatus,
                                   IDValue_t **EventData, unsigned int *DataNumber);
ZEVAHV_API int ZEVAHV_FreeEventData(IDValue_t **ListEventData);

/* Legacy entry points, kept beside the current ones. */
ZEVAHV_API int ZEVAHVGetEventData(int sck, char **EventData, int *DataNumber);
ZEVAHV_API int ZEVAHVFreeEventData(IDValue_t **ListEventData); /* = ZEVAHV_FreeEventData */

#ifdef __cplusplus
}
#endif

#endif /* ZEVAHVLINK_H */
