#pragma once
// The two library records that cross from the listener and server threads
// into the GUI thread as queued-signal arguments.  Both are plain C structs
// and are copied whole.
#include <QMetaType>
#include "ZEVAHVLink.h"

Q_DECLARE_METATYPE(IDValue_t)
Q_DECLARE_METATYPE(ZEVAHV_SYSTEMSTATUS_t)

// Registers both types under their C names; safe to call more than once.
void registerVelmoraMetaTypes();
