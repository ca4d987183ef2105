// Answers the add-in's message boxes and dialogs as a user would, from a second thread: it
// waits for each scripted dialog of this process, records its title and texts, does the
// step's actions and presses the named button.
#pragma once

#include <vector>

#include "HostScript.h"

namespace host {

void StartAutomation(const std::vector<DialogStep>& steps);
// Ends the thread; records every step that no dialog came for. False when steps were left.
bool StopAutomation();

}  // namespace host
