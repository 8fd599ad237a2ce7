// The operations table that every family backend fills in.  The frame keeps
// one table per family code (beside the family's traits row, frame/family.h)
// and dispatches every export through it.  A null entry means "this family
// does not offer the operation": the frame then gives the family's fixed
// answer from its traits row, so a backend never repeats those answers.
//
// Backend context.  A family's open makes one record of its own for the
// system it opened (a module slot, a mainframe connection record, a device
// of the register-access library) and hands it back as an opaque pointer.
// The frame keeps that pointer in the system slot and passes it, unchanged,
// as the first argument of every later operation on the system, and last to
// close.  A backend therefore never looks its record up by number, never
// re-checks that it is open, and needs no lock of its own for that:
//   - the pointer is valid from a successful open until close returns;
//   - the frame has checked the handle, holds the slot gate shared (and the
//     connection ticket gate for the operations the traits row orders) and
//     has refused null output pointers of the export before calling;
//   - close runs alone: no operation on the system is inside or can start.
// Use backend_context<T>(ctx) to get the family's record back.
//
// Lists handed back through a pointer-to-pointer argument must come from
// malloc/calloc: the client frees them with ZEVAHV_Free, which calls free().
#pragma once

#include "ZEVAHVLink.h"

namespace zevahv {

struct FamilyTraits;

// What the frame hands to a family's open.
struct OpenRequest {
    int system_type;              // as the caller gave it (before folding)
    int family;                   // family code (ZEVAHV_SYS_KR2220 -> ZEVAHV_SYS_KR2210 ...)
    int link_type;                // link type code (ZEVAHV_LINK_*)
    const char *transport;        // "TCP/IP", "USBVCP", "USB", "OPTLINK", "USB3", "B7301"
    const char *arg;              // backend argument: the traits' arg_prefix + the address
    const char *user;             // may be null
    const char *password;         // may be null
    int handle;                   // the system slot being opened (0..99)
    const char *lock_name;        // "ZEVA_Q3815_HVL_000" ...
    const FamilyTraits *traits;   // the family's traits row
};

struct FamilyOps {
    // Open: 0 and *ctx set on success (the family's record for this system;
    // the frame never looks inside it); a negative value on failure (-1 ->
    // 4100, -2 -> 4103, any other negative value is passed on).  Nothing of
    // a failed open may stay behind: close is not called for it.
    int (*open)(const OpenRequest &req, void **ctx) = nullptr;
    // Close: releases everything open made.  Its result is the result of
    // ZEVAHV_DeinitSystem only for families whose traits row says so
    // (close_result); others return 0 there whatever close says.
    int (*close)(void *ctx) = nullptr;

    int (*get_crate_map)(void *ctx, unsigned short *nr_of_slot, unsigned short **nr_of_ch,
                         char **models, char **descriptions, unsigned short **serials,
                         unsigned char **fmw_min, unsigned char **fmw_max) = nullptr;
    // The frame has allocated *model and *description (kBoardTextSize bytes
    // each, zeroed); the backend writes NUL-terminated texts into them.  On
    // failure the frame frees them again.
    int (*test_bd_presence)(void *ctx, unsigned short slot, unsigned short *nr_of_ch,
                            char **model, char **description, unsigned short *serial,
                            unsigned char *fmw_min, unsigned char *fmw_max) = nullptr;

    int (*get_sys_prop_list)(void *ctx, unsigned short *count, char **names) = nullptr;
    int (*get_sys_prop_info)(void *ctx, const char *name, unsigned *mode, unsigned *type) = nullptr;
    int (*get_sys_prop)(void *ctx, const char *name, void *result) = nullptr;
    int (*set_sys_prop)(void *ctx, const char *name, void *value) = nullptr;
    int (*get_exec_comm_list)(void *ctx, unsigned short *count, char **names) = nullptr;
    int (*exec_comm)(void *ctx, const char *name) = nullptr;

    int (*get_bd_param_info)(void *ctx, unsigned short slot, char **names) = nullptr;
    int (*get_bd_param_prop)(void *ctx, unsigned short slot, const char *param,
                             const char *prop, void *value) = nullptr;
    // nslots may be 0 (slots and values may then be null).
    int (*get_bd_param)(void *ctx, unsigned short nslots, const unsigned short *slots,
                        const char *param, void *values) = nullptr;
    int (*set_bd_param)(void *ctx, unsigned short nslots, const unsigned short *slots,
                        const char *param, void *value) = nullptr;

    int (*get_ch_param_info)(void *ctx, unsigned short slot, unsigned short ch, char **names,
                             int *count) = nullptr;
    int (*get_ch_param_prop)(void *ctx, unsigned short slot, unsigned short ch,
                             const char *param, const char *prop, void *value) = nullptr;
    // nch may be 0 (chs and values may then be null).
    int (*get_ch_param)(void *ctx, unsigned short slot, const char *param, unsigned short nch,
                        const unsigned short *chs, void *values) = nullptr;
    int (*set_ch_param)(void *ctx, unsigned short slot, const char *param, unsigned short nch,
                        const unsigned short *chs, void *value) = nullptr;
    int (*get_ch_name)(void *ctx, unsigned short slot, unsigned short nch,
                       const unsigned short *chs, char (*names)[ZEVAHV_MAX_CH_NAME]) = nullptr;
    int (*set_ch_name)(void *ctx, unsigned short slot, unsigned short nch,
                       const unsigned short *chs, const char *name) = nullptr;

    // Subscriptions: the port is the client's local TCP port (0..65535).
    // count may be 0 (items may then be null).
    int (*subscribe)(void *ctx, unsigned short port, unsigned short count, const char *items,
                     char *results) = nullptr;
    int (*unsubscribe)(void *ctx, unsigned short port, unsigned short count,
                       const char *items, char *results) = nullptr;

    // Last error text of the system (families whose traits row has
    // error_text); null entry or null result -> "".  The text must stay
    // valid until the next call on the system.
    const char *(*get_error)(void *ctx) = nullptr;

    // Event frames that the device itself sends to the client (traits
    // events == EventSource::PeerFrames): decodes one frame from the
    // client's socket.  handle is the system handle, for the records.
    int (*read_event_frame)(void *ctx, int handle, int sock, ZEVAHV_SYSTEMSTATUS_t *status,
                            IDValue_t **events, unsigned *count) = nullptr;

    // The legacy event reader (traits events == EventSource::LegacyPeerFrames,
    // served by ZEVAHVGetEventData): an array of 325-byte records allocated
    // with malloc, freed by the client with ZEVAHVFreeEventData.
    int (*read_legacy_event_frame)(void *ctx, int handle, int sock, char **events,
                                   int *count) = nullptr;
};

// How long a reader of the frames a device sends itself waits for one to
// begin (and for each later part of it).  The frame waits for the first
// byte before it takes the system, so that a close on another thread is
// not held up by a reader that is only waiting.
inline constexpr int kPeerFrameWaitMs = 16000;

// The family's own record behind an operation's context.
template <typename T>
T &backend_context(void *ctx) {
    return *static_cast<T *>(ctx);
}

// Size of the model and description buffers of ZEVAHV_TestBdPresence.
constexpr int kBoardTextSize = 255;

}  // namespace zevahv
