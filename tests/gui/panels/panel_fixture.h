#pragma once
// Helpers of the panel and dialog tests: device trees built by hand, the
// message interceptor, waiting while Qt runs, and pictures for the manual.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "messageboxes.h"

class QWidget;
class ZEVAHVNode;

bool waitFor(const std::function<bool()>& cond, int timeoutMs = 20000);

// Records every message box instead of showing it.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    std::vector<VelmoraMessages::Shown> shown;
    QStringList texts() const;
};

// A system root whose boards (slots 0..n-1, channels[i] channels each, 0 for
// an empty slot) hold channels "Chan%03d" with the named parameters.
ZEVAHVNode* makeTree(const QString& name, const std::vector<int>& channels,
                     const QStringList& parameters, int systemType = 8);
ZEVAHVNode* boardAt(ZEVAHVNode* root, int slot);
ZEVAHVNode* channelAt(ZEVAHVNode* root, int slot, int channel);

// Saves a picture of the widget into $VELMORA_SCREENSHOT_DIR, when set.
void saveScreenshot(QWidget* widget, const QString& fileName);
