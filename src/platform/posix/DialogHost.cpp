// Dialog templates on the posix seam: the controls of each template with their states, worked
// by a script or by the user on the terminal. The handler's logic runs as on Windows.
#include <unistd.h>

#include <deque>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/DialogHost.h"
#include "platform/DialogIds.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "platform/WindowsPath.h"
#include "platform/posix/PosixDialog.h"

namespace platform {

namespace posix {
namespace {

enum class Kind { Button, Check, Edit, Group, Label, Menu };

struct ControlSpec {
    int id;  // -1: a control without id
    Kind kind;
    const char* text;
};

struct TemplateSpec {
    const char* caption;
    std::vector<ControlSpec> controls;
};

// The Options template in its control order, then its menu's command.
const TemplateSpec* FindTemplate(int templateId) {
    static const TemplateSpec options{
        "Stowline Options",
        {
            {IDOK_BUTTON, Kind::Button, "OK"},
            {IDCANCEL_BUTTON, Kind::Button, "Cancel"},
            {IDC_STATIC, Kind::Group, "Settings"},
            {IDC_STATIC, Kind::Label, "Archive Base Path"},
            {IDC_BASE_PATH, Kind::Edit, ""},
            {IDC_DELETE_MESSAGES, Kind::Check, "Delete Messages After Archiving"},
            {IDC_BROWSE, Kind::Button, "Browse"},
            {IDC_DELETE_FOLDERS, Kind::Check, "Delete View/Folders After Archiving View/Folder"},
            {IDC_PROMPT_FOLDERS, Kind::Check, "Prompt First"},
            {IDC_PROMPT_MESSAGES, Kind::Check, "Prompt First"},
            {IDC_STATIC, Kind::Group, "Messages"},
            {IDC_STATIC, Kind::Group, "Folders & Views"},
            {ID_HELP_TOPICS, Kind::Menu, "Help Topics"},
        }};
    return templateId == IDD_OPTIONS ? &options : nullptr;
}

struct ControlState {
    Kind kind;
    std::string text;
    bool checked = false;
    bool visible = true;
};

struct DialogState {
    std::deque<DialogScript> scripts;
    bool onTerminal = false;
    std::uintptr_t nextWindow = 0xD100;
};
DialogState& State() {
    static DialogState state;
    return state;
}

class PosixDialog final : public DialogControls, public DialogSession {
public:
    PosixDialog(const TemplateSpec& spec, DialogHandler& handler)
        : spec_(spec), handler_(handler), window_(State().nextWindow += 0x10) {
        for (const auto& c : spec.controls)
            if (c.id >= 0) controls_[c.id] = ControlState{c.kind, c.kind == Kind::Edit ? "" : c.text};
    }

    // ---- what the handler sees ----
    std::string GetText(int id) override { return Find(id) ? Find(id)->text : std::string(); }
    void SetText(int id, const std::string& text) override {
        if (auto* c = Find(id)) c->text = text;
    }
    bool IsChecked(int id) override { return Find(id) && Find(id)->checked; }
    void SetChecked(int id, bool checked) override {
        if (auto* c = Find(id)) c->checked = checked;
    }
    bool IsVisible(int id) override { return Find(id) && Find(id)->visible; }
    void SetVisible(int id, bool visible) override {
        if (auto* c = Find(id)) c->visible = visible;
    }
    void End(int result) override {
        if (open_) {
            open_ = false;
            result_ = result;
        }
    }
    std::uintptr_t Window() override { return window_; }

    // ---- what the user does ----
    void Type(int id, const std::string& text) override {
        auto* c = Find(id);
        if (open_ && c && c->kind == Kind::Edit && c->visible) c->text = text;
    }
    bool Click(int id) override {
        auto* c = Find(id);
        if (!open_ || !c || !c->visible || c->kind == Kind::Edit) return false;
        if (c->kind == Kind::Check) c->checked = !c->checked;
        handler_.OnCommand(*this, id);
        return true;
    }
    bool IsOpen() const override { return open_; }
    std::string Text(int id) const override { return Find(id) ? Find(id)->text : std::string(); }
    bool IsChecked(int id) const override { return Find(id) && Find(id)->checked; }
    bool IsVisible(int id) const override { return Find(id) && Find(id)->visible; }

    int Run() {
        handler_.OnInitDialog(*this);
        auto& s = State();
        if (!s.scripts.empty()) {
            DialogScript script = std::move(s.scripts.front());
            s.scripts.pop_front();
            if (script) script(*this);
        } else if (s.onTerminal && isatty(STDIN_FILENO)) {
            RunOnTerminal();
        }
        End(IDCANCEL_);  // whatever the user left open is cancelled
        return result_;
    }

private:
    ControlState* Find(int id) {
        const auto it = controls_.find(id);
        return it == controls_.end() ? nullptr : &it->second;
    }
    const ControlState* Find(int id) const {
        const auto it = controls_.find(id);
        return it == controls_.end() ? nullptr : &it->second;
    }

    // The form: one line per control in template order; hidden controls are left out.
    void Show() const {
        std::ostringstream out;
        out << "\n== " << spec_.caption << " ==\n";
        for (const auto& c : spec_.controls) {
            const ControlState* st = c.id >= 0 ? Find(c.id) : nullptr;
            if (st && !st->visible) continue;
            switch (c.kind) {
                case Kind::Group: out << "-- " << c.text << " --\n"; break;
                case Kind::Label: out << "   " << c.text << "\n"; break;
                case Kind::Edit:
                    out << "   [" << text::Cp1252ToUtf8(st->text) << "]    (" << c.id << ": path TEXT)\n";
                    break;
                case Kind::Check:
                    out << "   [" << (st->checked ? 'x' : ' ') << "] " << c.text << "    (" << c.id << ")\n";
                    break;
                case Kind::Button: out << "   <" << c.text << ">    (" << c.id << ")\n"; break;
                case Kind::Menu: out << "   Help > " << c.text << "    (" << c.id << ")\n"; break;
            }
        }
        out << "Enter a number to click, or \"path TEXT\" to type the path: ";
        std::cerr << out.str() << std::flush;
    }

    void RunOnTerminal() {
        std::string line;
        while (open_) {
            Show();
            if (!std::getline(std::cin, line)) return;
            if (line.rfind("path", 0) == 0) {
                std::string text = line.size() > 5 ? line.substr(5) : std::string();
                Type(IDC_BASE_PATH, text::Utf8ToCp1252(text));
                continue;
            }
            int id = 0;
            try {
                id = std::stoi(line);
            } catch (...) {
                continue;
            }
            if (!Click(id)) std::cerr << "No control " << id << " to click.\n";
        }
    }

    const TemplateSpec& spec_;
    DialogHandler& handler_;
    std::uintptr_t window_;
    std::map<int, ControlState> controls_;
    bool open_ = true;
    int result_ = IDCANCEL_;
};

}  // namespace

void ScriptDialog(DialogScript script) { State().scripts.push_back(std::move(script)); }
void ClearDialogScripts() { State().scripts.clear(); }
void SetDialogOnTerminal(bool onTerminal) { State().onTerminal = onTerminal; }

}  // namespace posix

int RunDialog(int templateId, DialogHandler& handler, std::uintptr_t owner) {
    const auto* spec = posix::FindTemplate(templateId);
    if (!spec) return -1;
    posix::PosixDialog dialog(*spec, handler);
    return dialog.Run();
}

}  // namespace platform
