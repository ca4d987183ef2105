// A real mail document exported from Notes as DXL, read as the add-in shows it.
#include <gtest/gtest.h>

#include <string>

#include "notes/NotesDocument.h"
#include "render/DocumentRecord.h"
#include "render/FieldText.h"
#include "render/FileNameFormula.h"
#include "sim/Engine.h"
#include "sim/dxl/Dxl.h"
#include "support/StandInFixture.h"

namespace stowline {
namespace {

class RealDocument : public sim::CleanEngineTest {};

TEST_F(RealDocument, MailFieldsAsShown) {
    std::string error;
    sim::Database* db = sim::dxl::LoadDatabase(
        std::string(STOWLINE_DATA_DIR) + "/dxl/domino-jnx/testJsonSerialization/spam.xml", error, "spam.nsf");
    ASSERT_NE(db, nullptr) << error;
    DBHANDLE handle = sim::ClientDbHandle(*db);
    NOTEID id = 0;
    for (auto& [noteId, note] : db->notes)
        if (note.noteClass == NOTE_CLASS_DOCUMENT && note.Find("Subject")) id = noteId;
    ASSERT_NE(id, 0u);
    {
        NotesDocument document;
        ASSERT_TRUE(document.Open(handle, id, true));
        EXPECT_EQ(GetUNID(document.note), "8FD8E55C12D1A9764F03FE20DF203FE7");
        // DeliveredDate 2014-08-08 13:18:41 at -04 (daylight time) in the stand-in's US Eastern zone.
        const DocumentRecord record = ReadDocumentRecord(document);
        EXPECT_EQ(record.FormatTime("y-m-d_hn_s"), "2014-08-08_1318_41");
        EXPECT_EQ(record.dateText, "08/08/2014 01:18:41 PM");
        EXPECT_EQ(record.unid, "8FD8E55C12D1A9764F03FE20DF203FE7");
        EXPECT_EQ(record.from, "\"Louis Vuitton\" <newsletter@lvbagsforyou.com>");
        // Internet mail keeps its headers as RFC 822 text items; the page shows their native text.
        EXPECT_EQ(document.GetFieldText("Subject", ';'), "Extra 60% 0ff EVERYTHING + Lots More Summer Savings.");
        EXPECT_EQ(GetFieldNames(document.note, "From", ", "), "\"Louis Vuitton\" <newsletter@lvbagsforyou.com>");
        EXPECT_EQ(GetFieldNames(document.note, "SendTo", ", "), "jesse@secondfoundation.org");
        EXPECT_EQ(
            EvaluateString(document, ReadDocumentRecord(document), "Left(Text(\"Subject\"),30) + \" \" + UNID").value,
            "Extra 60% 0ff EVERYTHING + Lot 8FD8E55C12D1A9764F03FE20DF203FE7");
    }
    sim::ReleaseClientHandle(handle);
}

}  // namespace
}  // namespace stowline
