/*
 * A communication library that lacks one entry point: it hands every other
 * call to the stand-in.  Built once for each entry point it lacks
 * (WITHOUT_OPEN, WITHOUT_READ32, WITHOUT_MULTIREAD).
 */
#include <dlfcn.h>
#include <stddef.h>

static void *stand_in;

__attribute__((constructor)) static void load(void) {
    stand_in = dlopen(ZEVACOMM_PATH, RTLD_NOW | RTLD_LOCAL);
}

__attribute__((destructor)) static void unload(void) {
    if (stand_in) dlclose(stand_in);
}

static void *target(const char *name) { return stand_in ? dlsym(stand_in, name) : NULL; }

#define FORWARD(ret_type, name, params, args)                  \
    __attribute__((visibility("default"))) ret_type name params { \
        ret_type(*f) params = (ret_type(*) params)target(#name); \
        return f ? f args : -1;                                  \
    }

#ifndef WITHOUT_OPEN
FORWARD(int, ZEVAComm_OpenDevice2, (int link, void *arg, int node, unsigned base, int *h),
        (link, arg, node, base, h))
#endif
FORWARD(int, ZEVAComm_Read16, (int h, unsigned addr, unsigned short *v), (h, addr, v))
#ifndef WITHOUT_READ32
FORWARD(int, ZEVAComm_Read32, (int h, unsigned addr, unsigned *v), (h, addr, v))
#endif
FORWARD(int, ZEVAComm_Write16, (int h, unsigned addr, unsigned short v), (h, addr, v))
FORWARD(int, ZEVAComm_Write32, (int h, unsigned addr, unsigned v), (h, addr, v))
#ifndef WITHOUT_MULTIREAD
FORWARD(int, ZEVAComm_MultiRead16,
        (int h, unsigned *addrs, int count, unsigned short *values, int *errors),
        (h, addrs, count, values, errors))
#endif
FORWARD(int, ZEVAComm_CloseDevice, (int h), (h))
