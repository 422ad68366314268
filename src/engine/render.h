// The frame renderer: one frame of the current game state (a screen over its background, or the
// game frame with its sky gradient), the developer overlays and the console, then the present.
// Also the words every screen is drawn with: texts in the working rectangle, titles, menu rows,
// hidden rows and setting rows.
#pragma once

#include "platform/gfx.h"
#include "platform/wintypes.h"

// Per process, never reset; both advance on every call of RenderFrame.
extern float spin_angle;  // degrees; +2 per call, back to 0 at 358 or more
extern float blink;       // 0.0 or 1.0, flipped per call: green and blue of blinking entries
// The working rectangle of every text draw. A screen sets the fields it needs before a text; a
// field not set keeps what the last text (of this or an earlier frame) left in it.
extern RECT text_rect;

// The colours that recur on the screens (red, green, blue, alpha).
constexpr float TITLE_ALPHA = 0.7f;      // screen titles, in red
constexpr float UNSELECTED_ALPHA = 0.5f;  // rows the cursor is not on
constexpr float TABLE_ALPHA = 0.7f;       // table and panel texts, in white

// Draws one frame of the current game state.
void RenderFrame();

// The hints of a screen's back (left) and select (right) actions; either may be null. This
// version of the game draws no hint bar: the screens still name their actions here.
void DrawButtonHints(const char* left, const char* right);

// The text-colour rule: each channel clamped to 0..1, then channel x 255 + 0.5 truncated.
D3DCOLOR TextColor(float r, float g, float b, float a);
// One line of text with fonts[font] into rect, unclipped, by the DT_ alignment flags given.
void DrawLine(int font, const char* text, RECT* rect, DWORD align, D3DCOLOR color);
// The same for a text formatted into text_buffer.
void DrawFormatted(int font, RECT* rect, DWORD align, D3DCOLOR color, const char* format, ...)
    __attribute__((format(printf, 5, 6)));

// A screen title, formatted: the title font in red, centred at the top of the client area.
void DrawTitle(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The top of menu row `row`: the first row one line under the top eighth, each next one lower.
int MenuRowTop(int row);
// White, opaque on the row the cursor is on and half transparent on the others.
D3DCOLOR RowColor(int row);
// Menu row `row` centred across text_rect's left and right in the menu font.
void DrawMenuRow(int row, const char* text);
// A hidden row: drawn only while the cursor selects it, from the left of the line of `line`.
void DrawHiddenRow(int row, int line, const char* text);
// Sets text_rect's left and right to the setting rows' rectangle (a label at the left, its value
// at the right).
void SetSettingRowSides();
