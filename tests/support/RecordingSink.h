#pragma once
// A progress sink, caption feedback and reporter that keep what they are given, for the
// download, the unpacking, the settings copy and the whole installation in plain calls. It
// can answer a stop as the progress window does after Escape: once, at a position.
#include "install/InstallationSequence.h"
#include <climits>
#include <string>
#include <utility>
#include <vector>

struct RecordingSink : CProgressSink, CCaptionFeedback, CInstallationReporter {
    struct Call {
        char what;   // 'R' SetRange, 'M' MoveTo, 'P' SetPos
        int pos;     // the range's upper end for 'R'
        bool operator==(const Call& other) const { return what == other.what && pos == other.pos; }
    };
    std::vector<Call> calls;
    std::vector<std::string> statusTexts, captions;
    std::vector<std::pair<std::string, UINT>> messages;   // text, type
    bool finished = false;
    int stopAt = INT_MIN;   // MoveTo answers false to the first move to this position, once
    bool stopped = false;   // it did

    void SetRange(int, int upper) override { calls.push_back({'R', upper}); }
    bool MoveTo(int pos) override
    {
        calls.push_back({'M', pos});
        bool stop = !stopped && pos == stopAt;
        stopped = stopped || stop;
        return !stop;
    }
    void SetPos(int pos) override { calls.push_back({'P', pos}); }
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void ShowCaption(const std::string& text) override { captions.push_back(text); }
    void ShowMessage(const std::string& text, UINT type) override { messages.push_back({text, type}); }
    void Finish() override { finished = true; }
    bool StopRequested() override { return stopped; }
};
