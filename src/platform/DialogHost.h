// Modal dialogs from a template: the platform draws the controls and routes their events to
// a handler that holds the dialog's logic, so the logic is written once for every platform.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The controls of the dialog being shown, addressed by control id.
class DialogControls {
public:
    virtual ~DialogControls() = default;
    virtual std::string GetText(int id) = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    virtual bool IsChecked(int id) = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    virtual bool IsVisible(int id) = 0;
    virtual void SetVisible(int id, bool visible) = 0;
    // Ends the modal loop; RunDialog returns `result`.
    virtual void End(int result) = 0;
    // The dialog's own window, to own the boxes it shows.
    virtual std::uintptr_t Window() = 0;
};

class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    // Once, after the controls exist and before the dialog is shown. True lets the platform
    // set the initial focus.
    virtual bool OnInitDialog(DialogControls& controls) = 0;
    // A button click (automatic check boxes have already toggled) or a menu command.
    virtual void OnCommand(DialogControls& controls, int id) = 0;
};

// Shows the dialog of template `templateId` modally, owned by `owner` (0: none), until the
// handler ends it. Returns the handler's result, or -1 when the dialog could not be shown.
int RunDialog(int templateId, DialogHandler& handler, std::uintptr_t owner);

}  // namespace platform
