// The record of one notes-host run: one line per event (menu answers, message boxes and
// dialogs with what was pressed, keys the NOTES window received), flushed as it is written so
// that a run that ends abruptly still leaves everything up to that point.
#pragma once

#include <string>

namespace host {

bool OpenTranscript(const std::string& path);
void Record(const std::string& line);  // safe from any thread

// A text on one line: control characters as \n, \r, \t or \xHH, backslashes doubled.
std::string Quote(const std::string& text);
std::string Hex(unsigned value, int digits = 2);

}  // namespace host
