// `stowline show --db FILE --note NOTEID [--field NAME] [--names]`: a document's fields as the
// add-in reads them for its pages: text with ";" between list entries, or, with --names, the
// short names joined by ", ".
#include <iostream>
#include <string>

#include "Command.h"
#include "DocumentPreview.h"
#include "render/FieldText.h"

namespace stowline::cli {
namespace {

struct ShowRequest {
    std::string dbFile;
    std::string note;
    std::string field;
    bool names = false;
};

std::string FieldAsShown(NotesDocument& document, const std::string& field, bool names) {
    return names ? GetFieldNames(document.note, field, ", ") : document.GetFieldText(field, ';');
}

const Registration reg{
    "show", "Show a document's fields as the add-in reads them",
    [](CLI::App& sub) {
        auto request = std::make_shared<ShowRequest>();
        sub.add_option("--db", request->dbFile, "database file (DXL), or a mailbox opened in place")->required();
        sub.add_option("--note", request->note, "note ID in hex, as `stowline ls` prints it")->required();
        sub.add_option("--field", request->field, "only this field");
        sub.add_flag("--names", request->names, "read names, abbreviated and joined by \", \"");
        return [request]() -> int {
            return WithDocument("show", request->dbFile, request->note,
                                [&](NotesDocument& document, const std::vector<std::string>& items) {
                                    if (!request->field.empty()) {
                                        std::cout << Utf8FromNative(FieldAsShown(
                                                         document, NativeFromUtf8(request->field), request->names))
                                                  << '\n';
                                        return 0;
                                    }
                                    for (const auto& name : items)
                                        std::cout << Utf8FromNative(name) << ": "
                                                  << Utf8FromNative(FieldAsShown(document, name, request->names))
                                                  << '\n';
                                    return 0;
                                });
        };
    },
    /*needsStartup=*/false};

}  // namespace
}  // namespace stowline::cli
