// The one command-line switch the program knows.
#pragma once

// True only for "/autostart" exactly: letter case counts and nothing, not
// even a blank, may follow it. `arguments` is the text after the program
// name and the blanks that follow it, as the GUI entry point receives it.
bool IsAutostartRequested(const wchar_t* arguments);
