#include "velmora_metatypes.h"

void registerVelmoraMetaTypes()
{
    qRegisterMetaType<IDValue_t>("IDValue_t");
    qRegisterMetaType<ZEVAHV_SYSTEMSTATUS_t>("ZEVAHV_SYSTEMSTATUS_t");
}
