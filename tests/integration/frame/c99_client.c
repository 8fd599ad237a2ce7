/* A plain C99 client: includes only the public header, links only the
   library, and checks the answers that need no device. */
#include <stdio.h>
#include <string.h>

#include "ZEVAHVLink.h"

static int failures = 0;

static void check(int ok, const char *what) {
    if (!ok) {
        fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

int main(void) {
    const char *rel = ZEVAHVLibSwRel();
    IDValue_t *none = NULL;
    unsigned short n = 0;
    char *list = NULL;
    int handle = 0;

    check(rel != NULL && strcmp(rel, "6.4") == 0, "ZEVAHVLibSwRel is \"6.4\"");
    check(ZEVAHV_DeinitSystem(100) == ZEVAHV_ERR_INVALIDPARAMETER, "DeinitSystem(100) is 26");
    check(ZEVAHV_DeinitSystem(-1) == 26, "DeinitSystem(-1) is 26");
    check(ZEVAHV_DeinitSystem(0) == ZEVAHV_ERR_NOTCONNECTED, "DeinitSystem of a free slot is 4098");
    check(strcmp(ZEVAHV_GetError(-1), " Connection failed ") == 0, "GetError(-1)");
    check(ZEVAHV_GetSysPropList(100, &n, &list) == 26, "handle 100 is refused");
    check(ZEVAHV_InitSystem(4, ZEVAHV_LINK_USB, (void *)"1", "", "", &handle) == 26 &&
              handle == -1,
          "system type 4 (a LUMENHV module) is refused over USB");
    check(ZEVAHV_InitSystem(6, 8, (void *)"10.0.0.1", "", "", &handle) == ZEVAHV_ERR_INVALIDLINK,
          "link type 8 is refused");
    check(ZEVAHV_Free(NULL) == 0, "Free(NULL)");
    check(ZEVAHV_FreeEventData(&none) == 0, "FreeEventData of null");
    check(&ZEVAHVFreeEventData == &ZEVAHV_FreeEventData,
          "ZEVAHVFreeEventData is ZEVAHV_FreeEventData");
    check(sizeof(IDValue_t) == 1060 && sizeof(ZEVAHV_SYSTEMSTATUS_t) == 68, "record sizes");
    if (failures == 0) printf("C99 client: all checks passed (release %s)\n", rel);
    return failures == 0 ? 0 : 1;
}
