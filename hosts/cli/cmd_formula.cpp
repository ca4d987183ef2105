// `stowline formula --db FILE --note NOTEID FORMULA`: the value a file-name formula gives for one
// document, to preview archive names before archiving; an invalid formula prints the add-in's
// own message and exits 1.
#include <iostream>
#include <string>

#include "Command.h"
#include "DocumentPreview.h"
#include "render/DocumentRecord.h"
#include "render/FileNameFormula.h"

namespace stowline::cli {
namespace {

struct FormulaRequest {
    std::string dbFile;
    std::string note;
    std::string formula;
};

const Registration reg{
    "formula", "Evaluate a file-name formula on a document",
    [](CLI::App& sub) {
        auto request = std::make_shared<FormulaRequest>();
        sub.add_option("--db", request->dbFile, "database file (DXL), or a mailbox opened in place")->required();
        sub.add_option("--note", request->note, "note ID in hex, as `stowline ls` prints it")->required();
        sub.add_option("FORMULA", request->formula, "e.g. 'Left(Text(\"Subject\"),30) + \" \" + UNID'")->required();
        return [request]() -> int {
            return WithDocument("formula", request->dbFile, request->note,
                                [&](NotesDocument& document, const std::vector<std::string>&) {
                                    // As a run reads it: a document it would not archive has no name.
                                    const DocumentRecord record = ReadDocumentRecord(document);
                                    if (!record.readFailure.empty()) {
                                        std::cerr << Utf8FromNative(record.readFailure) << '\n';
                                        return 1;
                                    }
                                    const FormulaValue name =
                                        EvaluateString(document, record, NativeFromUtf8(request->formula));
                                    if (!name.error.empty()) {
                                        std::cerr << Utf8FromNative(name.error) << '\n';
                                        return 1;
                                    }
                                    std::cout << Utf8FromNative(name.value) << '\n';
                                    return 0;
                                });
        };
    },
    /*needsStartup=*/false};

}  // namespace
}  // namespace stowline::cli
