#pragma once

#include "CliInput.h"
#include "MidiAnalyzer.h"

#include <string>

class Model;

// Received messages as lines of the MIDI In monitor (the analyzer of the window program with its
// time and detail switches from the model), gathered in a buffer and written to a file descriptor
// in large writes: the caller flushes whenever no further message waits, so that a reader sees each
// message at once while traffic is light and a flood goes out in few writes.
class MonitorPrinter
{
public:
    // model: the settings the lines follow; must outlive the printer.
    MonitorPrinter(Model* model, int fd);

    // The lines of one message (none when the filter hides it, more than one for a long
    // system-exclusive message); returns how many.
    int print(const CliMessage& message);
    // The lines of one message as text, without writing them (each ends with a line feed).
    QString linesOf(const CliMessage& message);
    // Writes what is buffered; false once a write failed (the reader went away, a full disk).
    bool flush();
    // Writes when the buffer has grown large.
    bool flushIfLarge();

private:
    MidiAnalyzer analyzer;
    int fd;
    std::string buffer;
    int lines = 0;
    bool failed = false;
};
