#pragma once
// The module types and links Velmora offers, with the codes the library
// takes for them: the connect dialog lists them, the command line accepts
// their names.
#include <QString>

#include "ZEVAHVLink.h"

struct NamedCode {
    const char* text;
    int code;
};

// In the connect dialog's order.
inline constexpr NamedCode kDeviceTypes[] = {
    {"P731X", ZEVAHV_SYS_P731X}, {"Q2904", ZEVAHV_SYS_Q2904}, {"Q2906", ZEVAHV_SYS_Q2906}};
inline constexpr NamedCode kLinkTypes[] = {{"TCP/IP", ZEVAHV_LINK_TCPIP}, {"VCP USB", ZEVAHV_LINK_USBVCP}};

// The code of a device type or link named by its text (letter case ignored),
// -1 for none.
int deviceTypeCode(const QString& text);
int linkTypeCode(const QString& text);
