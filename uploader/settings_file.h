// Saving and loading the edit boxes' texts in an ini file, and the small file
// system tests and makers this needs. Paths are code page 936 Texts, converted
// to UTF-8 for the file system; '/' separates directories.
#pragma once

#include <cstdint>

#include "text/values.h"
#include "uploader/window_services.h"

namespace quillon {

// The folder of the running executable, without a trailing '/'.
Text run_directory();
// run_directory() + "/config.ini".
Text settings_file();

// Fills the window's edit boxes from section "编辑框" of the file (empty path:
// default_settings_path()); boxes without a stored value keep their text.
// Returns the number of edit boxes.
std::int32_t load_edit_boxes(WindowServices& window, const Text& path);
// Writes the texts of the edit boxes not named in exclusions ("|"-separated) to
// the file. Returns the number of edit boxes; write failures are not reported.
std::int32_t save_edit_boxes(WindowServices& window, const Text& path, const Text& exclusions = {});
// True when name is not one of the "|"-separated items of exclusions.
bool name_not_excluded(const Text& exclusions, const Text& name);
// run_directory() + "/data/setsoft.ini"; creates the data directory if missing.
Text default_settings_path();
// True when the path names an existing entry that is not a directory.
bool is_existing_file(const Text& path);
// Creates or opens the file and sets its length to size; 1 on success, else the
// errno value (the file is then removed).
std::int32_t create_sized_file(const Text& path, std::int32_t size);
// The path itself when it is a directory; else the path up to and including its
// last '/', or empty when it has none.
Text parent_directory(const Text& path);
// Creates each directory along the path; failures are ignored.
void make_directories(const Text& path);
// True when the path is a directory.
bool is_directory(const Text& path);
// True when the path's attributes can be read and mark a directory.
bool has_directory_attribute(const Text& path);

}  // namespace quillon
