// The operations of a mainframe session, one function per call of the
// public interface, written once for both generations: the connection
// carries its generation.  They run under the system's connection gate.
#pragma once

#include "ZEVAHVLink.h"
#include "mainframe/connection.h"

namespace zevahv::mainframe {

// Layout: crate map, one slot, channel names.
int get_crate_map(Connection &c, unsigned short *nr_of_slot, unsigned short **nr_of_ch,
                  char **models, char **descriptions, unsigned short **serials,
                  unsigned char **fmw_min, unsigned char **fmw_max);
int test_bd_presence(Connection &c, unsigned short slot, unsigned short *nr_of_ch,
                     char **model, char **description, unsigned short *serial,
                     unsigned char *fmw_min, unsigned char *fmw_max);
int get_ch_name(Connection &c, unsigned short slot, unsigned short nch,
                const unsigned short *chs, char (*names)[ZEVAHV_MAX_CH_NAME]);
int set_ch_name(Connection &c, unsigned short slot, unsigned short nch,
                const unsigned short *chs, const char *name);

// Board and channel parameters.
int get_bd_param_info(Connection &c, unsigned short slot, char **names);
int get_bd_param_prop(Connection &c, unsigned short slot, const char *param,
                      const char *prop, void *value);
int get_bd_param(Connection &c, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *values);
int set_bd_param(Connection &c, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *value);
int get_ch_param_info(Connection &c, unsigned short slot, unsigned short ch, char **names,
                      int *count);
int get_ch_param_prop(Connection &c, unsigned short slot, unsigned short ch,
                      const char *param, const char *prop, void *value);
int get_ch_param(Connection &c, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *values);
int set_ch_param(Connection &c, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *value);

// System properties and commands.
int get_sys_prop_list(Connection &c, unsigned short *count, char **names);
int get_sys_prop_info(Connection &c, const char *name, unsigned *mode, unsigned *type);
int get_sys_prop(Connection &c, const char *name, void *result);
int set_sys_prop(Connection &c, const char *name, void *value);
int get_exec_comm_list(Connection &c, unsigned short *count, char **names);
int exec_comm(Connection &c, const char *name);

// Subscriptions.
int subscribe(Connection &c, unsigned short port, unsigned short count, const char *items,
              char *results);
int unsubscribe(Connection &c, unsigned short port, unsigned short count, const char *items,
                char *results);

}  // namespace zevahv::mainframe
