// Start-up and end of the program: the process-wide drop target, the exit
// routine and the order in which the window comes up and goes away.
#pragma once

#include "shell/file_drop_target.h"
#include "shell/main_window.h"

namespace quillon {

// The process's one drop target: created detached by start_up, attached to the
// main window when it is created, destroyed by release_at_exit.
extern FileDropTarget* drop_target;

// Runs once when the program ends: empties cookie_jar and destroys
// drop_target (which detaches it from the window). cookie_jar itself is never
// destroyed, since workers may still be using it.
void release_at_exit();

// Adds routine to the routines run by end_program, in the order of
// registration; registering a routine again has no effect.
void register_exit_routine(void (*routine)());

// With the QApplication made: prepares the HTTP layer, creates drop_target,
// registers release_at_exit, and creates and shows the main window (loading
// its fields from settings_path). The window is never destroyed.
MainWindow* start_up(FileChooser& file_chooser, const Text& settings_path);

// Runs the registered exit routines once each and ends the process with code,
// without running static destructors: detached workers may still be running
// and using them.
[[noreturn]] void end_program(int code);

// The whole program: start-up, the message loop until the main window is
// closed, then end_program.
[[noreturn]] void run_program();

}  // namespace quillon
