#ifndef STATUSTEXTS_H
#define STATUSTEXTS_H

#include <QString>

// How the status words of channels and boards read, per system type.
namespace ZEVAHVStatus {

// The one text of a channel status word (the first condition that holds);
// empty for system types without a table or when nothing matches.
QString channelStatusText(int systemType, quint32 status);
// The text of a board status word; empty when no bit applies.
QString boardStatusText(int systemType, quint32 status);
// True when the channel status word shows no fault (used for the alarm
// colour of rows and the status bar lights).
bool isChannelHealthy(int systemType, quint32 status);

} // namespace ZEVAHVStatus

#endif // STATUSTEXTS_H
