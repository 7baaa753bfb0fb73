#pragma once
// Drive parameter files (*.dpf, INI form): Save to File writes the values the
// user view shows, with the drive's version; Load File checks such a file, writes
// its values into the drive, saves them to flash and has the view read the drive
// again. Both talk to the user only through the frame's prompt.

class CFrameLogic;
class CParamDescFile;

void SaveParamFile(CFrameLogic& frame, CParamDescFile& model);
void LoadParamFile(CFrameLogic& frame, CParamDescFile& model);
