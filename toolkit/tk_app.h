// Start and end of the toolkit, and the doors it opens into the base library (alerts, message
// texts, status line, choosers), which the base library cannot reach by itself.
#pragma once

// Starts the toolkit: makes the application object when there is none yet, sets the numeric
// locale back to "C", and installs the base library's hooks (TK_InstallBaseHooks).
void TK_Init(int* argc, char** argv);
void TK_Terminate();                     // closes every window and forgets the resource file
void TK_InstallBaseHooks();              // alert procedure, message texts, status line, choosers
const char* TK_GetInstallDir();          // folder of the executable (the resource file's folder)
// The desktop's request to end the session: the hook runs (once per request) and its FALSE
// asks the desktop to cancel the shutdown. Null removes it.
using TkShutdownHook = int (*)();
void TK_SetShutdownHook(TkShutdownHook hook);
TkShutdownHook TK_GetShutdownHook();
