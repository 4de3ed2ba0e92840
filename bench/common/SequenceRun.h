#pragma once
// Runs the installer's progress window, and with it the installation sequence, with nobody
// at the screen: times the sequence's phases by the messages its bar receives, and answers
// the one message box the run is meant to end with. Any other window that comes up is a
// fault of the run: it is printed and the program exits with 1 at once.
#include <functional>
#include <string>

// Seconds from the performance counter.
double Now();

struct SequenceTimes {
    double started = 0;      // the window's start timer fired: the sequence begins
    double downloaded = 0;   // the download's last bar position
    double unpacked = 0;     // the unpacking's last bar position
    int unpackRange = -1;    // the unpacking's range end, its entry count; -1: none came
    int unpackLastPos = -1;  // the unpacking's last position, one past the range at its end
    double closed = 0;       // the window has gone
};

// `expectedMessage` gives the text of the closing message when it shows (it may depend on
// what the sequence stored, such as the archive's path). False, after saying why on stderr,
// when the window closed without that message.
bool RunSequence(const std::function<std::string()>& expectedMessage, SequenceTimes& times);
