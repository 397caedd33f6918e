#pragma once
// Identifiers of the program's resources: run_this_first/run_this_first.rc gives them their
// contents, the windows load them by these numbers.
#define QS_ICON_MAIN 1
#define QS_PICTURE_MAIN_WINDOW 101
#define QS_PICTURE_LICENCE 102
