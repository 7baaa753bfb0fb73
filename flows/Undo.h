#pragma once
// Going back on a record of the journal: its entries return to the values they
// had before, through the write gate, and only into the drive it was made on (the
// same port and drive version: the protocol gives no serial number). A motor DB
// import is gone back on by restoring its snapshot; a snapshot is restored as
// Load File loads a file. Both are recorded in turn.

#include <optional>
#include <string>

#include "files/JournalFile.h"
#include "flows/Outcome.h"

class CFrameLogic;
class CParamDescFile;
struct DpfRunControl;

// The record with that id, or (an empty id) the newest of the port; none when the
// journal has no such record, which is told through the frame.
std::optional<journal::Record> FindRecord(CFrameLogic& frame, const std::string& id, const std::string& port);

// Another port or drive version is refused (BadInput). Entries the drive no longer
// holds as the record left them are named in a question (No: Cancelled).
[[nodiscard]] Outcome UndoRecord(CFrameLogic& frame, CParamDescFile& model, const journal::Record& record,
                                 const DpfRunControl& control);

// Loads the snapshot file into the drive; `undoes` names the record gone back on.
[[nodiscard]] Outcome RestoreSnapshot(CFrameLogic& frame, CParamDescFile& model, const std::string& path,
                                      const DpfRunControl& control);
