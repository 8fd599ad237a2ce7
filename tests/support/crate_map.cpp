#include "crate_map.h"

#include "ZEVAHVLink.h"

CrateMap crate_map(int h) {
    CrateMap m;
    unsigned short *nch = nullptr, *ser = nullptr;
    char *model = nullptr, *desc = nullptr;
    unsigned char *lo = nullptr, *hi = nullptr;
    m.result = ZEVAHV_GetCrateMap(h, &m.slots, &nch, &model, &desc, &ser, &lo, &hi);
    if (m.result != 0) return m;
    m.channels = nch[0], m.serial = ser[0], m.model = model, m.description = desc;
    m.fw_minor = lo[0], m.fw_major = hi[0];
    ZEVAHV_Free(nch), ZEVAHV_Free(model), ZEVAHV_Free(desc);
    ZEVAHV_Free(ser), ZEVAHV_Free(lo), ZEVAHV_Free(hi);
    return m;
}
