// Headless runs: the switch (KESTRUNE_HEADLESS) and the scripted input (KESTRUNE_SCRIPT).
//
// A script has one event a line; "#" starts a comment; passes are counted from 1:
//   <pass> key <scancode> down|up   a DirectInput scan code (decimal 0..255)
//   <pass> pad <n> x|y <position>   controller n (0..15) moves a stick axis; the position runs
//                                   from -1000 (full left/up) to 1000 (full right/down)
//   <pass> pad <n> button <b> down|up   a controller button (0..31)
//   <pass> close                    the window's close request
//   <pass> focus lost|gained        deactivation / activation with the focus message
//   <pass> capture <file.png>       writes the frame on screen at the end of that pass (display)
//   answer yes|no|ok                the next message box's answer, in order
//   dialog <template> set <control> <text>   fill a dialog's edit box (setup program)
//   dialog <template> press <control>        press a dialog's button (setup program)
//
// How the other platform modules read it:
// - The pass: win's PeekMessageA begins the next pass on each call (the game calls it once, first,
//   in every pass), so `script_pass` is the number of the pass running now, 0 before the first.
// - The events of a pass: ScriptEventRange gives the slice of `script_events` (sorted by pass,
//   file order kept within a pass) that belongs to a pass; pick the kinds you handle from it. The
//   input devices apply SCRIPT_KEY and SCRIPT_PAD_ events at their reads in that pass; the window
//   queue turns SCRIPT_CLOSE and SCRIPT_FOCUS into messages at the start of that pass.
// - The controllers attached to a headless run are pads 0 up to the highest pad the script names.
// - A new event kind: add a ScriptEventKind and a row to the syntax table in script.cpp (its
//   word and its parse function); text arguments (a file name) go through ScriptStoreText.
#pragma once

constexpr int SCRIPT_EVENT_MAX = 16384;
constexpr int SCRIPT_ANSWER_MAX = 256;
constexpr int SCRIPT_TEXT_MAX = 65536;   // bytes of text arguments, terminators included
constexpr int SCRIPT_PASS_MAX = 1000000000;
constexpr int SCRIPT_IDLE_PASSES = 100000;  // passes after the last event before a close request
constexpr int SCRIPT_PAD_MAX = 16;          // controllers a script can name
constexpr int SCRIPT_PAD_BUTTONS = 32;
constexpr int SCRIPT_AXIS_FULL = 1000;      // a stick's full deflection in a script

enum ScriptEventKind {
  SCRIPT_KEY = 0,    // code: scan code; state: 1 down, 0 up
  SCRIPT_CLOSE = 1,
  SCRIPT_FOCUS = 2,  // state: 1 gained, 0 lost
  SCRIPT_PAD_AXIS = 3,    // device: pad; code: 0 x, 1 y; state: position -1000..1000
  SCRIPT_PAD_BUTTON = 4,  // device: pad; code: button; state: 1 down, 0 up
  SCRIPT_CAPTURE = 5,     // text: the PNG file to write
  SCRIPT_EVENT_KINDS = 6,
};

constexpr int SCRIPT_DIALOG_ACTION_MAX = 256;

// What a headless modal dialog does, in file order per dialog template.
struct ScriptDialogAction {
  int dialog;        // template id
  int control;       // control id
  int press;         // 1 press the button, 0 set the edit box's text
  const char* text;  // the text to set
};

enum ScriptAnswer { ANSWER_OK = 0, ANSWER_YES = 1, ANSWER_NO = 2 };

struct ScriptEvent {
  int pass;          // 1 and up
  int kind;          // ScriptEventKind
  int device;        // the controller of a pad event, else 0
  int code;          // by kind
  int state;         // by kind
  const char* text;  // a text argument (in the script's text store), "" when the kind has none
  int line;          // the script line it came from
};

// Per process, filled by a load (all empty when no script is given).
extern ScriptEvent script_events[SCRIPT_EVENT_MAX];
extern int script_event_count;
extern int script_answers[SCRIPT_ANSWER_MAX];  // ScriptAnswer, in file order
extern int script_answer_count;
extern int script_answer_next;
extern ScriptDialogAction script_dialog_actions[SCRIPT_DIALOG_ACTION_MAX];
extern int script_dialog_action_count;  // the next answer to hand out
extern int script_last_pass;    // the pass of the last event, 0 when there is none
extern int script_pass;         // the pass running now (advanced by PeekMessageA)
extern char script_error[512];  // what the last failed load said, "" after a good one
extern int script_clears;       // counts ScriptClear calls, so that a reader can tell a new script

// 1 when KESTRUNE_HEADLESS is set to anything but "" or "0" (read once).
int IsHeadless();

// Empties the script and sets the pass back to 0.
void ScriptClear();
// Reads a script from text; name is used in messages. On a bad line the script is left empty,
// script_error names the line and the fault (also written to standard error) and 0 is returned.
int ScriptLoadText(const char* text, const char* name);
// Reads a script file the same way.
int ScriptLoadFile(const char* path);
// Reads the file KESTRUNE_SCRIPT names; 1 when none is named.
int ScriptLoadFromEnvironment();

// The events of a pass are script_events[*first] to script_events[*end - 1].
void ScriptEventRange(int pass, int* first, int* end);
// Copies text into the script's text store; null when the store is full.
const char* ScriptStoreText(const char* text, int length);

// Takes the next answer when it suits the box (yes/no for a Yes/No box, ok for an OK box) and
// returns it; -1 leaves the answers as they are (the box then takes its default).
int ScriptTakeAnswer(int yes_no_box);

// Takes the next action scripted for a dialog template; 0 when none is left.
int ScriptTakeDialogAction(int dialog, ScriptDialogAction* out);
