// Mail fixtures in the Notes stand-in, and a job that archives them into a temporary folder.
#pragma once

#include <string>
#include <vector>

#include "support/ScratchFolder.h"
#include "export/ExportJob.h"
#include "sim/Builder.h"
#include "sim/Engine.h"
#include "support/StandInFixture.h"

namespace exporttest {

inline sim::Bytes Content(const std::string& text) { return sim::Bytes(text.begin(), text.end()); }

// A fresh stand-in with one mail database held by the client, and a job archiving into a
// temporary folder. File and folder names come from the subject.
class MailRunTest : public sim::ClientDatabaseTest {
protected:
    void SetUp() override {
        sim::ClientDatabaseTest::SetUp();
        job.DatabaseHandle = handle;
        job.BasePath = archive.Win();
        job.TextFileNameEvalString = "Text(\"Subject\")";
        job.DetachMethodEvalString = "Text(\"Subject\")";
        job.ExcludedFolders.Add("($Inbox)", "Inbox");
        job.ViewName = "($Inbox)";
    }
    void TearDown() override {
        if (idTable != 0) sim::ReleaseClientHandle(idTable);
        sim::ClientDatabaseTest::TearDown();
    }

    sim::DocumentBuilder Mail(const std::string& subject) {
        return sim::AddDocument(*db).Text("Subject", subject).Text("Form", "Memo");
    }
    void Inbox(const std::vector<NOTEID>& ids) { sim::AddFolder(*db, "Inbox|($Inbox)").Entries(ids); }
    void Select(const std::vector<NOTEID>& ids) {
        job.SourceMode = stowline::kSourceSelection;
        idTable = sim::ClientIdTable(ids);
        job.SelectedNotes = idTable;
    }
    void Arm() {
        job.DelMsgAfterArc = true;
        job.DeleteGuard = stowline::kDeleteGuardArmed;
    }
    bool Deleted(NOTEID id) { return db->FindNote(id) == nullptr || db->FindNote(id)->deleted; }

    testsupport::ScratchFolder archive{"stowline-export-"};
    DHANDLE idTable = 0;
    stowline::ExportJob job;
};

}  // namespace exporttest
