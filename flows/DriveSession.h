#pragma once
// A drive session without a window: after the port is open, the link check, the
// version, the description file of that model and the read of the entries the
// user view shows, one after the other. The window runs the same steps one event
// at a time (UserParamsLogic); both share the pieces below.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "flows/Outcome.h"
#include "flows/Prompt.h"

class CFrameLogic;
class CParamDescFile;
class CVcmCommand;

// The description file a drive of that version string is described by.
std::string DescriptionFileFor(const std::string& version);

// The drive model a version string names: its text before the first "ver" (where
// the version comparisons cut it), without the blanks around it; none when the
// version has no "ver" or nothing before it.
std::optional<std::string> DriveModelOf(const std::string& version);

// Whether a file saved from drive version `fileVersion` was made for another
// drive model than the frame's drive, whose values mean other things there (a
// current in amperes on one is a percentage on the other); when so, the user is
// told, with both versions, and nothing may be sent. Models are known only from
// versions with "ver"; a version without one is left to the version question.
bool RefuseOtherDriveModel(CFrameLogic& frame, const std::string& fileVersion);

// The version question for a file of the same model but another version, with
// both versions shown (`icon` as the flow has always shown it): true for Yes.
bool ConfirmOtherVersion(CFrameLogic& frame, const std::string& fileVersion, MsgIcon icon);

// What to tell the user when `model` could not be loaded: the message names the
// file tried, so a missing installed file is found at once.
std::string DescriptionFailedText(const CParamDescFile& model);

// The number of user-view entries the view shows, and every flow counts: at most twelve.
unsigned ShownEntryCount(const CParamDescFile& model);

// Reads the parameter of every shown entry from the drive. A refused read asks
// `askRetry(ids::RetryReadParam)` and acts on its button (Cancel, Try Again,
// Continue: the entry stays unread and is listed in `skipped`); any other failure
// is reported through `ask(0)` and ends the read. A model loaded meanwhile (while a
// question was open) ends it as Cancelled, and so does `between(done, count)`,
// asked before each read, returning true.
[[nodiscard]] Outcome ReadShownEntries(CVcmCommand& link, const CParamDescFile& model,
                                       const std::function<int(int)>& ask, std::vector<int32_t>* skipped,
                                       const std::function<bool(unsigned, unsigned)>& between = {});

// What the shown entries ask of the description that it lacks: a parameter
// (`fatal`: no value of the drive can be shown for it) or a sub-field (the entries
// before it still show). The message names the first such entry; none when all is there.
std::optional<std::string> ShownEntriesFault(const CParamDescFile& model, bool* fatal);

// The chain up to the description on an open link, headless: link check, version,
// description file (loaded into `model`). Failures are told through the frame's prompt.
// Enough for a flow that reads what it needs itself (compare, load, one parameter).
[[nodiscard]] Outcome IdentifyDrive(CFrameLogic& frame, CParamDescFile& model);

// The whole chain: IdentifyDrive, then the shown entries.
[[nodiscard]] Outcome StartSession(CFrameLogic& frame, CParamDescFile& model, std::vector<int32_t>* skipped = nullptr);
