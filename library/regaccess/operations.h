// The parameter operations of an open register-access device, as the frame
// calls them (after it has found the device of the connection).  Lists come
// from malloc; the client frees them with ZEVAHV_Free.
#pragma once

#include "ZEVAHVLink.h"
#include "regaccess/device.h"

namespace zevahv::regaccess {

int get_crate_map(Device &d, unsigned short *nr_of_slot, unsigned short **nr_of_ch,
                  char **models, char **descriptions, unsigned short **serials,
                  unsigned char **fmw_min, unsigned char **fmw_max);
int get_bd_param_info(Device &d, unsigned short slot, char **names);
int get_ch_param_info(Device &d, unsigned short slot, unsigned short ch, char **names,
                      int *count);
int get_bd_param_prop(Device &d, unsigned short slot, const char *param, const char *prop,
                      void *value);
int get_ch_param_prop(Device &d, unsigned short slot, unsigned short ch, const char *param,
                      const char *prop, void *value);
int get_ch_name(Device &d, unsigned short slot, unsigned short nch, const unsigned short *chs,
                char (*names)[ZEVAHV_MAX_CH_NAME]);
int get_exec_comm_list(Device &d, unsigned short *count, char **names);

int get_ch_param(Device &d, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *values);
int set_ch_param(Device &d, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *value);
int get_bd_param(Device &d, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *values);
int set_bd_param(Device &d, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *value);
int exec_comm(Device &d, const char *name);

}  // namespace zevahv::regaccess
