#pragma once
// The program's own pictures, drawn at run time so they scale cleanly: the program
// icon and one 32-by-32 image per toolbar command.

#include <QIcon>

namespace icons {

QIcon ProgramIcon();
// The toolbar image of a command id (ids::Cmd...); a null icon for other ids.
QIcon CommandIcon(int commandId);

}  // namespace icons
