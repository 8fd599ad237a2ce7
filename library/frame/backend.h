// The operations table that every family backend fills in.  The frame keeps
// one table pointer per family code and dispatches every export through it.
// A null entry means "this family does not offer the operation": the frame
// then gives the fixed answer for that family (written once, in the frame),
// so a backend never repeats those answers itself.
//
// Every operation gets the backend connection index that the family's open
// wrote back (the index of the family's own slot or connection record) and
// the caller's arguments unchanged.  Lists handed back through a
// pointer-to-pointer argument must come from malloc/calloc: the client frees
// them with ZEVAHV_Free, which calls free().  The frame has already checked the
// system handle and holds the slot gate shared (and, for the families that
// need one, the connection ticket gate) while an operation runs.
#pragma once

#include "ZEVAHVLink.h"

namespace zevahv {

// What the frame hands to a family's open.
struct OpenRequest {
    int system_type;        // as the caller gave it (before folding)
    int family;             // family code (1 -> 0, 3 -> 2, others unchanged)
    int link_type;          // link type code
    const char *transport;  // "TCP/IP", "USBVCP", "USB", "OPTLINK", "USB3", "B7301"
    const char *arg;        // backend argument ("KR2440:" + address for codes 2 and 3)
    const char *user;       // may be null
    const char *password;   // may be null
    int handle;             // the system slot being opened
    const char *lock_name;  // "ZEVA_Q3815_HVL_000" ...
};

struct FamilyOps {
    // Open: 0 and *conn set on success; a negative value on failure
    // (-1 -> 4100, -2 -> 4103, any other negative value is passed on).
    int (*open)(const OpenRequest &req, int *conn);
    // Close: result code (0 normally).
    int (*close)(int conn);

    int (*get_crate_map)(int conn, unsigned short *nr_of_slot,
                         unsigned short **nr_of_ch, char **models,
                         char **descriptions, unsigned short **serials,
                         unsigned char **fmw_min, unsigned char **fmw_max);
    // The frame has allocated *model and *description (kBoardTextSize bytes
    // each, zeroed); the backend writes NUL-terminated texts into them.
    int (*test_bd_presence)(int conn, unsigned short slot, unsigned short *nr_of_ch,
                            char **model, char **description,
                            unsigned short *serial, unsigned char *fmw_min,
                            unsigned char *fmw_max);

    int (*get_sys_prop_list)(int conn, unsigned short *count, char **names);
    int (*get_sys_prop_info)(int conn, const char *name, unsigned *mode,
                             unsigned *type);
    int (*get_sys_prop)(int conn, const char *name, void *result);
    int (*set_sys_prop)(int conn, const char *name, void *value);
    int (*get_exec_comm_list)(int conn, unsigned short *count, char **names);
    int (*exec_comm)(int conn, const char *name);

    int (*get_bd_param_info)(int conn, unsigned short slot, char **names);
    int (*get_bd_param_prop)(int conn, unsigned short slot, const char *param,
                             const char *prop, void *value);
    int (*get_bd_param)(int conn, unsigned short nslots,
                        const unsigned short *slots, const char *param,
                        void *values);
    int (*set_bd_param)(int conn, unsigned short nslots,
                        const unsigned short *slots, const char *param,
                        void *value);

    int (*get_ch_param_info)(int conn, unsigned short slot, unsigned short ch,
                             char **names, int *count);
    int (*get_ch_param_prop)(int conn, unsigned short slot, unsigned short ch,
                             const char *param, const char *prop, void *value);
    int (*get_ch_param)(int conn, unsigned short slot, const char *param,
                        unsigned short nch, const unsigned short *chs,
                        void *values);
    int (*set_ch_param)(int conn, unsigned short slot, const char *param,
                        unsigned short nch, const unsigned short *chs,
                        void *value);
    int (*get_ch_name)(int conn, unsigned short slot, unsigned short nch,
                       const unsigned short *chs,
                       char (*names)[ZEVAHV_MAX_CH_NAME]);
    int (*set_ch_name)(int conn, unsigned short slot, unsigned short nch,
                       const unsigned short *chs, const char *name);

    // Subscriptions: the port is the client's local TCP port (0..65535).
    int (*subscribe)(int conn, unsigned short port, unsigned short count,
                     const char *items, char *results);
    int (*unsubscribe)(int conn, unsigned short port, unsigned short count,
                       const char *items, char *results);

    // Last error text of the connection (mainframes); null entry -> "".
    const char *(*get_error)(int conn);

    // Mainframe event frames read from a client socket (family 2 only).
    int (*read_event_frame)(int conn, int handle, int sock,
                            ZEVAHV_SYSTEMSTATUS_t *status, IDValue_t **events,
                            unsigned *count);

    // True when the family's polling threads deliver events from the local
    // host (module and register families).
    bool polls_locally;

    // Legacy mainframe event frames (family 0 only): an array of 325-byte
    // records allocated with malloc, freed by the client with
    // ZEVAHVFreeEventData.
    int (*read_legacy_event_frame)(int conn, int handle, int sock,
                                   char **events, int *count);
};

// Size of the model and description buffers of ZEVAHV_TestBdPresence.
constexpr int kBoardTextSize = 255;

// The table of the family code, or null when no backend serves it.
const FamilyOps *family_ops(int family);

// Installs (or, with null, removes) the backend of a family code.  The
// built-in families are installed in families.cpp; tests use this to put a
// backend of their own behind a family code.
void register_family(int family, const FamilyOps *ops);

}  // namespace zevahv
