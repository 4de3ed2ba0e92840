#pragma once
// How the download, the unpacking and the settings copy report to whoever shows them. They
// never reach a window themselves: the progress window implements this, a test records it.
#include <string>

class CProgressSink {
public:
    virtual ~CProgressSink() = default;
    // A new range starts a phase (the download's bytes, the unpacking's entries).
    virtual void SetRange(int lower, int upper) = 0;
    // Moves towards `pos` and lets the user's input through. False: the user asked to stop.
    virtual bool MoveTo(int pos) = 0;
    // The position a phase ends with, set as it is.
    virtual void SetPos(int pos) = 0;
    // The connection's state; may be shown nowhere.
    virtual void SetStatusText(const std::string& text) = 0;
};

// Where CDiskObject shows what it is doing and what failed: a window's caption.
class CCaptionFeedback {
public:
    virtual ~CCaptionFeedback() = default;
    virtual void ShowCaption(const std::string& text) = 0;
};
