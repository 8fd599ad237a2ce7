/*
 * The seven entry points of the stand-in communication library, as the
 * register-access families of ZEVAHVLink call them.  Every call returns 0
 * for success and a negative number for a failure.
 */
#ifndef ZEVACOMM_STANDIN_H
#define ZEVACOMM_STANDIN_H

#ifdef __cplusplus
extern "C" {
#endif

/* Link codes of ZEVAComm_OpenDevice2. */
#define ZEVACOMM_LINK_USB     0
#define ZEVACOMM_LINK_OPTLINK 1
#define ZEVACOMM_LINK_B7301   2
#define ZEVACOMM_LINK_TCPIP   6
#define ZEVACOMM_LINK_USB3    7

/* arg: the IP text for ZEVACOMM_LINK_TCPIP, else an int * to the link number. */
int ZEVAComm_OpenDevice2(int link, void *arg, int node, unsigned base, int *handle);
int ZEVAComm_Read16(int h, unsigned addr, unsigned short *value);
int ZEVAComm_Read32(int h, unsigned addr, unsigned *value);
int ZEVAComm_Write16(int h, unsigned addr, unsigned short value);
int ZEVAComm_Write32(int h, unsigned addr, unsigned value);
/* errors[i] is 0 when values[i] was read. */
int ZEVAComm_MultiRead16(int h, unsigned *addrs, int count, unsigned short *values,
                         int *errors);
int ZEVAComm_CloseDevice(int h);

#ifdef __cplusplus
}
#endif

#endif
