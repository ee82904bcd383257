// The command-line switches the program knows.
#pragma once

// True only for "/autostart" exactly: letter case counts and nothing, not
// even a blank, may follow it. `arguments` is the text after the program
// name and the blanks that follow it, as the GUI entry point receives it,
// less a leading instance name (SkipInstanceName).
bool IsAutostartRequested(const wchar_t* arguments);

// A name of up to 32 letters, digits, '-' or '_', plus terminator.
constexpr int kInstanceNameChars = 33;

// "/instance:NAME" at the start of the arguments, alone or followed by one
// blank and the other arguments, names an instance of its own: it runs
// beside the usual one, for trying both sides of a network pair on one
// computer. Copies NAME into `name` (empty without the switch, or when the
// name is not one) and returns the arguments after it.
const wchar_t* SkipInstanceName(const wchar_t* arguments, wchar_t (&name)[kInstanceNameChars]);
