// Dialogs of the posix seam: a form on the terminal, or a script that plays the user.
#pragma once

#include <functional>
#include <string>

namespace platform::posix {

// The dialog being shown, as the user sees and works it.
class DialogSession {
public:
    virtual ~DialogSession() = default;
    // Types `text` into an edit control, replacing what it held.
    virtual void Type(int id, const std::string& text) = 0;
    // Clicks a button, check box (which toggles first) or menu command. A hidden control
    // cannot be clicked: false, and nothing happens. Also false once the dialog has ended.
    virtual bool Click(int id) = 0;
    virtual bool IsOpen() const = 0;
    virtual std::string Text(int id) const = 0;
    virtual bool IsChecked(int id) const = 0;
    virtual bool IsVisible(int id) const = 0;
};

// Plays the next dialog: it runs once the dialog is initialised. A dialog still open when its
// script returns is cancelled.
using DialogScript = std::function<void(DialogSession&)>;
void ScriptDialog(DialogScript script);  // scripts queue up, one per dialog
void ClearDialogScripts();

// When set, a dialog without a script is shown as a form on the terminal (when standard input
// is one). Without a script and without a terminal, a dialog is cancelled at once.
void SetDialogOnTerminal(bool onTerminal);

}  // namespace platform::posix
