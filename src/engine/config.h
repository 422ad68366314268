// Configuration variables and the files "prefs.cfg" and "autoexec.cfg".
#pragma once

// Every variable is a float; readers that need an integer truncate.
extern float windowed;        // 1 runs in a window, 0 full screen
extern float display_width;   // client width in pixels (or a display-mode index, see the display)
extern float display_height;  // client height in pixels

// Registers the variables in the tag table; once, before the first LoadConfig.
void InitConfigTags();
// 1 when the file was read, 0 when it could not be opened.
int LoadConfig(const char* path);
// 1 when the file was written, 0 when it could not be opened for writing.
int SaveConfig(const char* path);
