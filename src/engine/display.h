// The display device: placing the window, making and releasing the device, the layout, the
// projection and the fonts.
#pragma once

extern int full_screen_active;  // 1 while a full-screen device is up (starts at 1)

// 1 when a device was made, 0 when not (the user has then seen a message).
int InitDirect3D();
void ComputeLayout();
void SetProjection();
void CreateFonts();
// Releases everything made with the device, the device itself, and gives the desktop back.
void ReleaseGraphics();
// Once after the main loop: the display, then the input devices.
void ShutdownDevices();

// Tests: makes the next InitDirect3D fail as a device that cannot be made does.
extern int fail_next_display_start;
