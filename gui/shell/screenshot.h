#pragma once
// The picture of --screenshot mode and the way out of it.
#include <QString>

class QWidget;

// Saves a picture of the window with every dialog and message box it shows
// drawn where the operator sees it.  False when the file cannot be written.
bool saveWindowPicture(QWidget* window, const QString& file);

// Rejects every visible dialog and message box, so that the event loops
// they run return.
void closeOpenDialogs();
